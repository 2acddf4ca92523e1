// The SplashScreen support classes inside the real JDK: headless and without a native splash
// (the Linux case), and with the JDK's own splash library showing the image under Xvfb. Each
// test suite needs a virtual machine of its own kind, so CTest runs each in its own process.
#include <gtest/gtest.h>
#include <jni.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/dynlib.h"
#include "platform/files.h"
#include "splash/runtime_splash.h"
#include "splash/splash_natives.h"
#include "splash_test_paths.h"

namespace {

const std::string kJvmLibrary = std::string(WYN_TEST_JDK) + "/lib/server/libjvm.so";

enum class VmKind { None, Headless, Display };
VmKind createdKind = VmKind::None;
JNIEnv* vmEnv = nullptr;

// Creates the process's one virtual machine with the support classes and the probe on the
// class path. Null when it cannot be created (or one of another kind exists).
JNIEnv* startVm(VmKind kind) {
    if (createdKind != VmKind::None) {
        return createdKind == kind ? vmEnv : nullptr;
    }
    platform::LibraryHandle jvm = platform::loadLibrary(kJvmLibrary.c_str());
    if (jvm == nullptr) {
        return nullptr;
    }
    using CreateFunction = jint (*)(JavaVM**, void**, void*);
    auto create = reinterpret_cast<CreateFunction>(platform::findSymbol(jvm, "JNI_CreateJavaVM"));
    if (create == nullptr) {
        return nullptr;
    }
    std::string classPath = std::string("-Djava.class.path=") + WYN_TEST_CLASS_PATH;
    // The launcher names itself here; the class must survive failing to load it.
    std::string appPath = "-Dwyn.app.path=" + std::string(platform::executablePath().c_str());
    std::string headless =
        kind == VmKind::Headless ? "-Djava.awt.headless=true" : "-Djava.awt.headless=false";
    JavaVMOption options[] = {{const_cast<char*>(classPath.c_str()), nullptr},
                              {const_cast<char*>(appPath.c_str()), nullptr},
                              {const_cast<char*>(headless.c_str()), nullptr}};
    JavaVMInitArgs args = {};
    args.version = JNI_VERSION_1_8;
    args.nOptions = 3;
    args.options = options;
    args.ignoreUnrecognized = JNI_FALSE;
    JavaVM* vm = nullptr;
    if (create(&vm, reinterpret_cast<void**>(&vmEnv), &args) != JNI_OK) {
        return nullptr;
    }
    createdKind = kind;
    return vmEnv;
}

jclass probeClass(JNIEnv* env) {
    jclass probe = env->FindClass("splashprobe/SplashProbe");
    if (probe == nullptr) {
        env->ExceptionDescribe();
        env->ExceptionClear();
    }
    return probe;
}

// Calls a static String method of the probe; "<exception>" when it throws.
std::string callText(JNIEnv* env, const char* method) {
    jclass probe = probeClass(env);
    jmethodID id = env->GetStaticMethodID(probe, method, "()Ljava/lang/String;");
    auto text = static_cast<jstring>(env->CallStaticObjectMethod(probe, id));
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        env->ExceptionClear();
        return "<exception>";
    }
    const char* chars = env->GetStringUTFChars(text, nullptr);
    std::string result = chars;
    env->ReleaseStringUTFChars(text, chars);
    env->DeleteLocalRef(text);
    env->DeleteLocalRef(probe);
    return result;
}

// Calls a static void probe method with an optional int; false when it throws.
bool callVoid(JNIEnv* env, const char* method, const char* signature, jint argument = 0) {
    jclass probe = probeClass(env);
    jmethodID id = env->GetStaticMethodID(probe, method, signature);
    env->CallStaticVoidMethod(probe, id, argument);
    bool threw = env->ExceptionCheck();
    if (threw) {
        env->ExceptionDescribe();
        env->ExceptionClear();
    }
    env->DeleteLocalRef(probe);
    return !threw;
}

bool callBoolean(JNIEnv* env, const char* method) {
    jclass probe = probeClass(env);
    jmethodID id = env->GetStaticMethodID(probe, method, "()Z");
    bool result = env->CallStaticBooleanMethod(probe, id) == JNI_TRUE;
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        env->ExceptionClear();
        result = false;
    }
    env->DeleteLocalRef(probe);
    return result;
}

// Polls the runtime's splash until it reports `wanted` or 10 s have passed.
std::string awaitAwtSplash(JNIEnv* env, const std::string& wanted) {
    std::string state;
    for (int i = 0; i < 100; ++i) {
        state = callText(env, "awtSplash");
        if (state == wanted) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return state;
}

TEST(HeadlessRuntime, NoSplashWithoutNativesThenNoneWithNativesBound) {
    JNIEnv* env = startVm(VmKind::Headless);
    ASSERT_NE(env, nullptr) << "the JDK's virtual machine must start";

    // Unbound natives (System.load of a position-independent executable fails): no splash,
    // on every call, and no exception escapes.
    EXPECT_EQ(callText(env, "wynSplash"), "null");
    EXPECT_EQ(callText(env, "wynSplash"), "null");
    EXPECT_EQ(callText(env, "awtSplash"), "headless");

    // Bound the way the Linux launcher binds them: still no splash, as Linux has no window.
    const NativeClassBinding& binding = splashScreenNatives();
    jclass splashClass = env->FindClass(binding.className);
    ASSERT_NE(splashClass, nullptr);
    ASSERT_EQ(env->RegisterNatives(splashClass, binding.methods, binding.count), JNI_OK);
    EXPECT_EQ(callText(env, "wynSplash"), "null");
}

// The JDK's splash library shows the fixture before the virtual machine starts, exactly as
// the launcher's start-up does it; the support class then sees and controls that splash.
JNIEnv* startWithRuntimeSplash() {
    if (createdKind == VmKind::None) {
        // The splash library needs the runtime library, which the launcher loads first.
        if (platform::loadLibrary(kJvmLibrary.c_str()) == nullptr) {
            return nullptr;
        }
        TextString library = runtimeSplashLibraryBeside(kJvmLibrary.c_str());
        if (library.empty() ||
            loadRuntimeSplash(library.c_str(),
                              TextString(fixturePath("splash-image.png").c_str())) !=
                RuntimeSplashResult::ShownFromFile) {
            return nullptr;
        }
    }
    return startVm(VmKind::Display);
}

TEST(RuntimeSplashShown, SupportClassKeepsItAndItsTimerClosesIt) {
    JNIEnv* env = startWithRuntimeSplash();
    ASSERT_NE(env, nullptr) << "the JDK's splash library and virtual machine must start";
    ASSERT_EQ(awaitAwtSplash(env, "160x100 visible"), "160x100 visible");

    EXPECT_EQ(callText(env, "wynSplash"), "splash");
    EXPECT_TRUE(callBoolean(env, "wynSplashIsKept"));

    // A negative period only cancels: the splash stays up.
    ASSERT_TRUE(callVoid(env, "autoClose", "(I)V", 2000));
    ASSERT_TRUE(callVoid(env, "autoClose", "(I)V", -1));
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(callText(env, "awtSplash"), "160x100 visible");

    // A window event other than "opened" leaves it alone too.
    ASSERT_TRUE(callVoid(env, "dispatchClosingEvent", "()V"));
    EXPECT_EQ(callText(env, "awtSplash"), "160x100 visible");

    // A positive period closes it from the timer's thread, not at once.
    ASSERT_TRUE(callVoid(env, "autoClose", "(I)V", 700));
    EXPECT_EQ(callText(env, "awtSplash"), "160x100 visible");
    EXPECT_EQ(awaitAwtSplash(env, "none"), "none");
    // Closing again is harmless.
    EXPECT_TRUE(callVoid(env, "close", "()V"));
}

TEST(RuntimeSplashShown, WindowOpenedEventClosesIt) {
    JNIEnv* env = startWithRuntimeSplash();
    ASSERT_NE(env, nullptr) << "the JDK's splash library and virtual machine must start";
    ASSERT_EQ(awaitAwtSplash(env, "160x100 visible"), "160x100 visible");

    ASSERT_TRUE(callVoid(env, "dispatchOpenedEvent", "()V"));
    EXPECT_EQ(awaitAwtSplash(env, "none"), "none");
}

}  // namespace
