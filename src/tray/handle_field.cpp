// Reading and writing the native pointer in the field h of a support class's object.
#include "tray/handle_field.h"

#include <cstdint>

#include "base/jni_calls.h"

namespace {

struct HandleField {
    jfieldID id = nullptr;
    bool isLong = false;
};

HandleField findHandleField(JNIEnv* env, jobject object) {
    HandleField field;
    if (object == nullptr) {
        return field;
    }
    LocalRef<jclass> cls(env, env->GetObjectClass(object));
    if (cls.isNull()) {
        checkException(env, false);
        return field;
    }
    field.id = env->GetFieldID(cls.get(), "h", "J");
    if (field.id != nullptr) {
        field.isLong = true;
        return field;
    }
    checkException(env, false);
    field.id = env->GetFieldID(cls.get(), "h", "I");
    if (field.id == nullptr) {
        checkException(env, false);
    }
    return field;
}

}  // namespace

bool hasHandleField(JNIEnv* env, jobject object) {
    return findHandleField(env, object).id != nullptr;
}

void* getHandleField(JNIEnv* env, jobject object) {
    HandleField field = findHandleField(env, object);
    if (field.id == nullptr) {
        return nullptr;
    }
    if (field.isLong) {
        return reinterpret_cast<void*>(static_cast<intptr_t>(env->GetLongField(object, field.id)));
    }
    return reinterpret_cast<void*>(static_cast<intptr_t>(env->GetIntField(object, field.id)));
}

bool setHandleField(JNIEnv* env, jobject object, void* value) {
    HandleField field = findHandleField(env, object);
    if (field.id == nullptr) {
        return false;
    }
    intptr_t pointer = reinterpret_cast<intptr_t>(value);
    if (field.isLong) {
        env->SetLongField(object, field.id, static_cast<jlong>(pointer));
        return true;
    }
    if (static_cast<intptr_t>(static_cast<jint>(pointer)) != pointer) {
        return false;
    }
    env->SetIntField(object, field.id, static_cast<jint>(pointer));
    return true;
}
