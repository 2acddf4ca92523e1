// JNI lookups and the exception check shared by the session and the natives.
#include "base/jni_calls.h"

namespace {

// The result of a lookup; when it is null, the exception the lookup raised is cleared.
template <typename T>
T clearIfMissing(JNIEnv* env, T found, bool describe) {
    if (found == nullptr) {
        checkException(env, describe);
    }
    return found;
}

}  // namespace

int checkException(JNIEnv* env, bool describe) {
    if (env == nullptr) {
        return 0;
    }
    jthrowable pending = env->ExceptionOccurred();
    if (pending == nullptr) {
        return 0;
    }
    if (describe) {
        env->ExceptionDescribe();
    }
    env->ExceptionClear();
    env->DeleteLocalRef(pending);
    return 1;
}

jclass findClassChecked(JNIEnv* env, const char* name, bool describe) {
    return clearIfMissing(env, env->FindClass(name), describe);
}

jmethodID findStaticMethodChecked(JNIEnv* env, jclass cls, const char* name, const char* signature,
                                  bool describe) {
    return clearIfMissing(env, env->GetStaticMethodID(cls, name, signature), describe);
}

jmethodID findMethodChecked(JNIEnv* env, jclass cls, const char* name, const char* signature,
                            bool describe) {
    return clearIfMissing(env, env->GetMethodID(cls, name, signature), describe);
}
