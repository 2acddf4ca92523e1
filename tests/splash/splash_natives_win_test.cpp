// The SplashScreen natives as a Java runtime reaches them: looked up in the running executable
// by the export names a runtime of its width binds (stdcall-decorated on x86), called with a
// stand-in JNIEnv that records what they ask of it.
#include <gtest/gtest.h>
#include <jni.h>
#include <windows.h>

#include <cstdarg>
#include <string>

#include "splash/splash_window.h"
#include "splash_win_test_support.h"
#include "support/native_export_name.h"

namespace {

using GetSplashScreenFunction = jobject(JNICALL*)(JNIEnv*, jclass);
using AutoCloseFunction = void(JNICALL*)(JNIEnv*, jobject, jint);
using CloseFunction = void(JNICALL*)(JNIEnv*, jobject);

template <typename Function>
Function exported(const char* name, const char* signature) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA(nullptr), nativeExportName(name, signature).c_str())));
}

// A JNIEnv whose object functions hand out fixed markers and count the calls.
struct FakeJni {
    static int constructions;
    static jclass constructedClass;
    static jmethodID constructor;
    static _jobject localObject;
    static _jobject globalObject;
    static char constructorMarker;
    static jmethodID constructorId() { return reinterpret_cast<jmethodID>(&constructorMarker); }

    static jmethodID JNICALL getMethodId(JNIEnv*, jclass, const char* name, const char* sig) {
        return std::string(name) == "<init>" && std::string(sig) == "()V" ? constructorId()
                                                                          : nullptr;
    }
    static jobject JNICALL newObjectV(JNIEnv*, jclass cls, jmethodID id, va_list) {
        ++constructions;
        constructedClass = cls;
        constructor = id;
        return &localObject;
    }
    static jobject JNICALL newObject(JNIEnv* env, jclass cls, jmethodID id, ...) {
        va_list args;
        va_start(args, id);
        jobject result = newObjectV(env, cls, id, args);
        va_end(args);
        return result;
    }
    static jobject JNICALL newGlobalRef(JNIEnv*, jobject object) {
        return object == &localObject ? &globalObject : nullptr;
    }
    static void JNICALL deleteRef(JNIEnv*, jobject) {}
    static jboolean JNICALL exceptionCheck(JNIEnv*) { return JNI_FALSE; }
    static jthrowable JNICALL exceptionOccurred(JNIEnv*) { return nullptr; }
    static void JNICALL nothing(JNIEnv*) {}

    FakeJni() {
        table.GetMethodID = getMethodId;
        table.NewObject = newObject;
        table.NewObjectV = newObjectV;
        table.NewGlobalRef = newGlobalRef;
        table.DeleteGlobalRef = deleteRef;
        table.DeleteLocalRef = deleteRef;
        table.ExceptionCheck = exceptionCheck;
        table.ExceptionOccurred = exceptionOccurred;
        table.ExceptionDescribe = nothing;
        table.ExceptionClear = nothing;
        env.functions = &table;
    }

    JNINativeInterface_ table = {};
    JNIEnv env = {};
};
int FakeJni::constructions = 0;
jclass FakeJni::constructedClass = nullptr;
jmethodID FakeJni::constructor = nullptr;
_jobject FakeJni::localObject;
_jobject FakeJni::globalObject;
char FakeJni::constructorMarker;

_jobject splashClassMarker;
jclass splashClass() {
    return static_cast<jclass>(&splashClassMarker);
}

using SplashNatives = SplashWindowTest;

TEST(SplashNativeExports, ExportedUnderTheirJniNames) {
    EXPECT_NE(exported<GetSplashScreenFunction>(
                  "Java_com_tarnwick_wyn_SplashScreen_nativeGetSplashScreen",
                  "()Lcom/tarnwick/wyn/SplashScreen;"),
              nullptr);
    EXPECT_NE(
        exported<AutoCloseFunction>("Java_com_tarnwick_wyn_SplashScreen_nativeAutoClose", "(I)V"),
        nullptr);
    EXPECT_NE(exported<CloseFunction>("Java_com_tarnwick_wyn_SplashScreen_nativeClose", "()V"),
              nullptr);
}

TEST_F(SplashNatives, OneObjectIsMadeForTheWindowAndKept) {
    auto getSplashScreen = exported<GetSplashScreenFunction>(
        "Java_com_tarnwick_wyn_SplashScreen_nativeGetSplashScreen",
        "()Lcom/tarnwick/wyn/SplashScreen;");
    ASSERT_NE(getSplashScreen, nullptr);
    FakeJni jni;
    EXPECT_EQ(getSplashScreen(&jni.env, splashClass()), nullptr) << "no window, no object";
    EXPECT_EQ(FakeJni::constructions, 0);

    showSplashWindow(makeBitmap(120, 80), TextString());
    ASSERT_NE(splashWindow(), nullptr);
    jobject first = getSplashScreen(&jni.env, splashClass());
    EXPECT_EQ(first, &FakeJni::globalObject) << "a global reference is handed out";
    EXPECT_EQ(FakeJni::constructedClass, splashClass()) << "made of the class it was called on";
    EXPECT_EQ(FakeJni::constructor, FakeJni::constructorId());
    EXPECT_EQ(getSplashScreen(&jni.env, splashClass()), first);
    EXPECT_EQ(FakeJni::constructions, 1);

    closeSplashWindow();
    ASSERT_TRUE(waitUntil([] { return !splashWindowExists(); }, 5000));
    EXPECT_EQ(getSplashScreen(&jni.env, splashClass()), nullptr) << "closed: no object";
}

TEST_F(SplashNatives, AutoCloseZeroClosesOnTheNextTick) {
    auto autoClose =
        exported<AutoCloseFunction>("Java_com_tarnwick_wyn_SplashScreen_nativeAutoClose", "(I)V");
    ASSERT_NE(autoClose, nullptr);
    showSplashWindow(makeBitmap(120, 80), TextString());
    ASSERT_NE(splashWindow(), nullptr);
    autoClose(nullptr, nullptr, 0);
    EXPECT_TRUE(splashAutoCloseSet()) << "the launch sequence must see the application's call";
    EXPECT_TRUE(waitUntil([] { return !splashWindowExists(); }, 5000));
}

TEST_F(SplashNatives, AutoCloseNegativeOnlyCancels) {
    auto autoClose =
        exported<AutoCloseFunction>("Java_com_tarnwick_wyn_SplashScreen_nativeAutoClose", "(I)V");
    ASSERT_NE(autoClose, nullptr);
    showSplashWindow(makeBitmap(120, 80), TextString());
    setSplashAutoClose(300);
    autoClose(nullptr, nullptr, -1);
    Sleep(1000);
    EXPECT_NE(splashWindow(), nullptr);
}

TEST_F(SplashNatives, CloseClosesAndLaterCallsDoNothing) {
    auto close = exported<CloseFunction>("Java_com_tarnwick_wyn_SplashScreen_nativeClose", "()V");
    auto autoClose =
        exported<AutoCloseFunction>("Java_com_tarnwick_wyn_SplashScreen_nativeAutoClose", "(I)V");
    ASSERT_NE(close, nullptr);
    showSplashWindow(makeBitmap(120, 80), TextString());
    ASSERT_NE(splashWindow(), nullptr);
    close(nullptr, nullptr);
    EXPECT_TRUE(waitUntil([] { return !splashWindowExists(); }, 5000));
    close(nullptr, nullptr);
    autoClose(nullptr, nullptr, 10);
    EXPECT_FALSE(splashAutoCloseSet());
}

}  // namespace
