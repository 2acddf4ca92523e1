// The SplashScreen natives: thin JNI entry points over the native splash window.
#include "splash/splash_natives.h"

#include <atomic>

#include "base/jni_calls.h"
#include "splash/splash_window.h"

namespace {

// Global reference to the one SplashScreen made for the native window. Java threads may ask
// for it at the same time; the first one to store its object wins and the others drop theirs.
std::atomic<jobject> cachedSplashScreen{nullptr};

jobject createSplashScreen(JNIEnv* env, jclass cls) {
    jmethodID constructor = findMethodChecked(env, cls, "<init>", "()V", false);
    if (constructor == nullptr) {
        return nullptr;
    }
    jobject local = env->NewObject(cls, constructor);
    if (local == nullptr) {
        checkException(env, false);
        return nullptr;
    }
    jobject global = env->NewGlobalRef(local);
    env->DeleteLocalRef(local);
    checkException(env, false);
    return global;
}

}  // namespace

extern "C" {

JNIEXPORT jobject JNICALL Java_com_tarnwick_wyn_SplashScreen_nativeGetSplashScreen(JNIEnv* env,
                                                                                   jclass cls) {
    if (splashWindowHandle() == nullptr) {
        return nullptr;
    }
    jobject cached = cachedSplashScreen.load();
    if (cached != nullptr) {
        return cached;
    }
    jobject created = createSplashScreen(env, cls);
    if (created == nullptr) {
        return nullptr;
    }
    if (!cachedSplashScreen.compare_exchange_strong(cached, created)) {
        env->DeleteGlobalRef(created);
        return cached;
    }
    return created;
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SplashScreen_nativeAutoClose(JNIEnv*, jobject,
                                                                          jint ms) {
    setSplashAutoClose(static_cast<int>(ms));
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SplashScreen_nativeClose(JNIEnv*, jobject) {
    closeSplashWindow();
}
}

const NativeClassBinding& splashScreenNatives() {
    static const JNINativeMethod methods[] = {
        {const_cast<char*>("nativeGetSplashScreen"),
         const_cast<char*>("()Lcom/tarnwick/wyn/SplashScreen;"),
         reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SplashScreen_nativeGetSplashScreen)},
        {const_cast<char*>("nativeAutoClose"), const_cast<char*>("(I)V"),
         reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SplashScreen_nativeAutoClose)},
        {const_cast<char*>("nativeClose"), const_cast<char*>("()V"),
         reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SplashScreen_nativeClose)},
    };
    static const NativeClassBinding binding = {
        "com/tarnwick/wyn/SplashScreen", methods,
        static_cast<int>(sizeof(methods) / sizeof(methods[0]))};
    return binding;
}
