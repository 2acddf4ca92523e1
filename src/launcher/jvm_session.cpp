// The JVM session: loading the runtime library, creating and destroying the virtual machine,
// and the launcher's own calls into Java.
//
// Every JNI lookup goes through the checked helpers, every call into Java ends with
// checkException, and every local reference is held by a LocalRef, so no path leaves an
// exception pending or a reference behind. The only platform difference (the PATH retry of
// loadRuntime) is asked of platform/dynlib.h.
#include "launcher/jvm_session.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "base/command_line.h"
#include "instances/instance_receiver.h"
#include "platform/codepage.h"
#include "platform/env.h"

static_assert(sizeof(jchar) == sizeof(char16_t), "a Java char is one UTF-16 unit");

namespace {

// The creation entry point's type as the JDK's own jni.h declares it, calling convention
// included, so that it is exactly the runtime's.
using CreateJavaVmFunction = decltype(&::JNI_CreateJavaVM);

// The directory part of a path including its last separator ('/' or '\'), or empty.
TextString directoryOf(const char* path) {
    int32_t end = 0;
    for (int32_t i = 0; path[i] != '\0'; ++i) {
        if (path[i] == '/' || path[i] == '\\') {
            end = i + 1;
        }
    }
    return TextString(path, end);
}

// Appends ";" and the parent of the library's directory to PATH, where the runtime's
// companion libraries live (bin\ above bin\server\jvm.dll).
void appendParentDirectoryToPath(const char* libraryPath) {
    const char* current = platform::getEnv("PATH");
    TextString assignment("PATH=");
    assignment.append(current == nullptr ? "" : current);
    assignment.append(";");
    assignment.append(directoryOf(libraryPath));
    assignment.append("..");
    platform::putEnv(assignment.c_str());
}

// The runtime's entry point that creates a virtual machine: JNI_CreateJavaVM, else the
// name under which some runtimes export it; null when the library has neither.
CreateJavaVmFunction creationEntryPoint(platform::LibraryHandle library) {
    for (const char* name : {"JNI_CreateJavaVM", "JNI_CreateJavaVM_Impl"}) {
        void* symbol = platform::findSymbol(library, name);
        if (symbol != nullptr) {
            return reinterpret_cast<CreateJavaVmFunction>(symbol);
        }
    }
    return nullptr;
}

}  // namespace

JvmSession::~JvmSession() {
    unload();
}

void JvmSession::addOption(TextView text) {
    options_.addString(text);
}

void JvmSession::addHook(const char* name, void* function) {
    Hook hook = {name, function};
    hooks_.append(&hook, 1);
}

LaunchResult JvmSession::loadRuntime(const char* path) {
    platform::setQuietErrorMode();
    library_ = platform::loadLibraryFromItsDirectory(path);
    if (library_ != nullptr) {
        return LaunchResult::Success;
    }
    if (platform::searchPathHelpsLoading()) {
        appendParentDirectoryToPath(path);
        library_ = platform::loadLibraryFromItsDirectory(path);
        if (library_ != nullptr) {
            return LaunchResult::Success;
        }
    }
    reportLoadError(path);
    return LaunchResult::RuntimeNotValid;
}

void JvmSession::reportLoadError(const char* path) {
    TextString text = platform::lastLoadError(path);
    text.append("\n");
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

LaunchResult JvmSession::createVm(const char* path) {
    if (library_ == nullptr) {
        LaunchResult loaded = loadRuntime(path);
        if (loaded != LaunchResult::Success) {
            return loaded;
        }
    }
    // A runtime hosts one virtual machine per process, and the options are gone after the
    // first creation: a second attempt fails without touching the machine that exists.
    if (vm_ != nullptr) {
        return LaunchResult::VmStartFailed;
    }
    CreateJavaVmFunction create = creationEntryPoint(library_);
    if (create == nullptr) {
        return LaunchResult::RuntimeNotValid;
    }

    int32_t textCount = options_.count();
    int32_t count = textCount + hooks_.length();
    auto* options = static_cast<JavaVMOption*>(
        std::calloc(static_cast<size_t>(count > 0 ? count : 1), sizeof(JavaVMOption)));
    if (options == nullptr) {
        stopOnAllocationFailure();
    }
    for (int32_t i = 0; i < textCount; ++i) {
        options[i].optionString = options_.stringAt(i);
    }
    for (int32_t i = 0; i < hooks_.length(); ++i) {
        options[textCount + i].optionString = const_cast<char*>(hooks_[i].name);
        options[textCount + i].extraInfo = hooks_[i].function;
    }
    JavaVMInitArgs args;
    args.version = JNI_VERSION_1_2;
    args.nOptions = count;
    args.options = options;
    args.ignoreUnrecognized = JNI_TRUE;

    jint created = create(&vm_, reinterpret_cast<void**>(&env_), &args);

    options_.clear();
    hooks_.resize(0);
    std::free(options);
    if (created != 0) {
        vm_ = nullptr;
        env_ = nullptr;
        return LaunchResult::VmStartFailed;
    }
    return LaunchResult::Success;
}

bool JvmSession::queryJavaVersion(TextString& output) {
    if (env_ == nullptr) {
        return false;
    }
    JNIEnv* env = env_;
    LocalRef<jclass> system(env, findClassChecked(env, "java/lang/System", false));
    if (system.isNull()) {
        return false;
    }
    jmethodID getProperty = findStaticMethodChecked(
        env, system.get(), "getProperty", "(Ljava/lang/String;)Ljava/lang/String;", false);
    if (getProperty == nullptr) {
        return false;
    }
    LocalRef<jstring> key(env, env->NewStringUTF("java.version"));
    if (key.isNull()) {
        checkException(env, false);
        return false;
    }
    LocalRef<jstring> value(env, static_cast<jstring>(env->CallStaticObjectMethod(
                                     system.get(), getProperty, key.get())));
    if (!value.isNull()) {
        jsize length = env->GetStringLength(value.get());
        const jchar* chars = env->GetStringChars(value.get(), nullptr);
        if (chars != nullptr) {
            // narrowFromWide stops at a zero unit by itself.
            output = narrowFromWide(reinterpret_cast<const char16_t*>(chars),
                                    length < 0 ? INT32_MAX : length);
            env->ReleaseStringChars(value.get(), chars);
        }
    }
    checkException(env, false);
    return true;
}

jclass JvmSession::findClassByName(const char* name) {
    if (env_ == nullptr || name == nullptr) {
        return nullptr;
    }
    TextString slashed(name);
    for (int32_t i = 0; i < slashed.length(); ++i) {
        if (slashed[i] == '.') {
            slashed[i] = '/';
        }
    }
    return findClassChecked(env_, slashed.c_str(), true);
}

LaunchResult JvmSession::callMain(const char* className, StringList& argumentValues, int argc,
                                  char** argv) {
    LocalRef<jclass> mainClass(env_, findClassByName(className));
    if (mainClass.isNull()) {
        return LaunchResult::MainClassNotFound;
    }
    jmethodID main =
        findStaticMethodChecked(env_, mainClass.get(), "main", "([Ljava/lang/String;)V", true);
    if (main == nullptr) {
        return LaunchResult::MainMethodMissing;
    }
    ItemArray<char*> configured;
    for (int32_t i = 0; i < argumentValues.count(); ++i) {
        splitCommandLine(argumentValues.stringAt(i), configured, nullptr);
    }
    LocalRef<jobjectArray> args(
        env_, buildStringArray(configured.length(), configured.data(), argc, argv));
    if (args.isNull()) {
        // main never sees a partial argument list; the cause is on standard error.
        return LaunchResult::VmStartFailed;
    }
    env_->CallStaticVoidMethod(mainClass.get(), main, args.get());
    return checkException(env_, true) != 0 ? LaunchResult::MainThrew : LaunchResult::Success;
}

jobjectArray JvmSession::buildStringArray(int leadingCount, char** leading, int furtherCount,
                                          char** further) {
    JNIEnv* env = env_;
    if (env == nullptr) {
        return nullptr;
    }
    if (leadingCount < 0 || furtherCount < 0 || leadingCount > INT32_MAX - furtherCount) {
        return nullptr;
    }
    LocalRef<jclass> stringClass(env, findClassChecked(env, "java/lang/String", true));
    if (stringClass.isNull()) {
        return nullptr;
    }
    LocalRef<jobjectArray> array(
        env, env->NewObjectArray(leadingCount + furtherCount, stringClass.get(), nullptr));
    if (array.isNull()) {
        checkException(env, true);
        return nullptr;
    }
    for (int i = 0; i < leadingCount + furtherCount; ++i) {
        const char* text = i < leadingCount ? leading[i] : further[i - leadingCount];
        WideString wide = wideFromNarrow(text, -1);
        LocalRef<jstring> element(
            env, env->NewString(reinterpret_cast<const jchar*>(wide.data()), wide.length()));
        if (element.isNull()) {
            checkException(env, true);
            return nullptr;
        }
        env->SetObjectArrayElement(array.get(), i, element.get());
        if (checkException(env, true) != 0) {
            return nullptr;
        }
    }
    return array.release();
}

void JvmSession::callSystemExit(JNIEnv* env, int status) {
    if (env == nullptr) {
        return;
    }
    LocalRef<jclass> system(env, findClassChecked(env, "java/lang/System", false));
    if (system.isNull()) {
        return;
    }
    jmethodID exit = findStaticMethodChecked(env, system.get(), "exit", "(I)V", false);
    if (exit == nullptr) {
        return;
    }
    env->CallStaticVoidMethod(system.get(), exit, static_cast<jint>(status));
    checkException(env, false);
}

void JvmSession::setContextLoader(jobject loader, JNIEnv* env) {
    if (env == nullptr) {
        env = env_;
    }
    if (env == nullptr) {
        return;
    }
    LocalRef<jclass> threadClass(env, findClassChecked(env, "java/lang/Thread", false));
    if (threadClass.isNull()) {
        return;
    }
    jmethodID currentThread = findStaticMethodChecked(env, threadClass.get(), "currentThread",
                                                      "()Ljava/lang/Thread;", true);
    if (currentThread == nullptr) {
        return;
    }
    jmethodID setContextClassLoader = findMethodChecked(
        env, threadClass.get(), "setContextClassLoader", "(Ljava/lang/ClassLoader;)V", true);
    if (setContextClassLoader == nullptr) {
        return;
    }
    LocalRef<jobject> thread(env, env->CallStaticObjectMethod(threadClass.get(), currentThread));
    if (thread.isNull()) {
        checkException(env, true);
        return;
    }
    env->CallVoidMethod(thread.get(), setContextClassLoader, loader);
    checkException(env, true);
}

void JvmSession::destroyVm() {
    if (vm_ != nullptr) {
        vm_->DetachCurrentThread();
        vm_->DestroyJavaVM();
        vm_ = nullptr;
        env_ = nullptr;
        // The watcher thread of the instance registry must not enter a runtime whose library
        // is about to go.
        instanceReceiver().closeDeliveries();
    }
}

void JvmSession::unload() {
    destroyVm();
    if (library_ != nullptr) {
        platform::freeLibrary(library_);
        library_ = nullptr;
    }
}
