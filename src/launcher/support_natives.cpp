// The natives of the support classes, bound when the application first uses one.
//
// The launcher offers itself as the built-in library "wyn": it exports JNI_OnLoad_wyn, a
// support class calls System.loadLibrary("wyn"), and a runtime of release 8 or later finds that
// function in the running executable (statically linked JNI libraries) and calls it, without
// any path. JNI_OnLoad_wyn registers the natives of every support class. An application that
// uses none of them never has them loaded.
//
// Windows: the export is "JNI_OnLoad_wyn", on x86 also "_JNI_OnLoad_wyn@8", the decorated name
// a 32-bit runtime looks for first. The natives are exported under their JNI names too, for
// runtimes before release 8, on which the support classes load the executable by its path
// (System.load); such a runtime converts that path to the ANSI code page, so there the route
// works only where the path has an ANSI form. Linux: a position-independent executable
// cannot be loaded by path at all; JNI_OnLoad_wyn is the one symbol it exports.
#include <jni.h>

#include "args_output/redirect_natives.h"
#include "base/jni_calls.h"
#include "base/native_bindings.h"
#include "base/text.h"
#include "base/trace.h"
#include "instances/instances_natives.h"
#include "splash/splash_natives.h"
#include "tray/tray_natives.h"

namespace {

// A support class loaded by the system class loader but not initialised: loading one never
// waits for another thread that initialises it. Null when the archive does not hold it.
jclass loadUninitialised(JNIEnv* env, jobject loader, jmethodID loadClass, const char* name) {
    TextString binaryName(name);
    for (int32_t i = 0; i < binaryName.length(); ++i) {
        if (binaryName[i] == '/') {
            binaryName[i] = '.';
        }
    }
    LocalRef<jstring> text(env, env->NewStringUTF(binaryName.c_str()));
    jobject cls = text.isNull() ? nullptr : env->CallObjectMethod(loader, loadClass, text.get());
    checkException(env, false);
    return static_cast<jclass>(cls);
}

// Registers the natives of each support class that the system class loader finds.
void bindSupportNatives(JNIEnv* env) {
    LocalRef<jclass> loaderClass(env, findClassChecked(env, "java/lang/ClassLoader", false));
    jmethodID systemLoader =
        loaderClass.isNull()
            ? nullptr
            : findStaticMethodChecked(env, loaderClass.get(), "getSystemClassLoader",
                                      "()Ljava/lang/ClassLoader;", false);
    jmethodID loadClass = systemLoader == nullptr
                              ? nullptr
                              : findMethodChecked(env, loaderClass.get(), "loadClass",
                                                  "(Ljava/lang/String;)Ljava/lang/Class;", false);
    if (loadClass == nullptr) {
        return;
    }
    LocalRef<jobject> loader(env, env->CallStaticObjectMethod(loaderClass.get(), systemLoader));
    checkException(env, false);
    if (loader.isNull()) {
        return;
    }
    const NativeClassBinding* bindings[] = {&splashScreenNatives(), &redirOutputStreamNatives(),
                                            &instancesNatives(), &systemTrayNatives(),
                                            &systemTrayMenuNatives()};
    for (const NativeClassBinding* binding : bindings) {
        jclass cls = loadUninitialised(env, loader.get(), loadClass, binding->className);
        if (cls == nullptr) {
            continue;
        }
        jint rc = env->RegisterNatives(cls, binding->methods, binding->count);
        checkException(env, false);
        trace("natives of %s: %s", binding->className, rc == 0 ? "bound" : "not bound");
        env->DeleteLocalRef(cls);
    }
}

}  // namespace

// Called by the runtime when a support class loads the built-in library "wyn", on the thread
// that initialises that class. A built-in library must ask for JNI 1.8 at least.
extern "C" JNIEXPORT jint JNICALL JNI_OnLoad_wyn(JavaVM* vm, void*) {
    JNIEnv* env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_2) != JNI_OK) {
        return JNI_VERSION_1_8;
    }
    trace("support classes ask for the launcher's natives");
    bindSupportNatives(env);
    return JNI_VERSION_1_8;
}
