// The Instances natives: thin JNI entry points over the process's instance registry.
#include "instances/instances_natives.h"

#include <vector>

#include "base/jni_calls.h"
#include "instances/instance_receiver.h"
#include "instances/instance_registry.h"

namespace {

bool customModeActive() {
    return activeRegistry != nullptr && instanceReceiver().customModeActive.load() != 0;
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_tarnwick_wyn_Instances_getFirstInstance(JNIEnv*, jclass) {
    if (!customModeActive()) {
        return -1;
    }
    // Refreshing the role first means the answer never names an instance that has ended.
    activeRegistry->ensureFirstInstance();
    return activeRegistry->firstInstancePid();
}

JNIEXPORT jint JNICALL Java_com_tarnwick_wyn_Instances_getCurrentInstance(JNIEnv*, jclass) {
    return customModeActive() ? activeRegistry->ownPid() : -1;
}

JNIEXPORT jintArray JNICALL Java_com_tarnwick_wyn_Instances_getInstances(JNIEnv* env, jclass) {
    if (activeRegistry == nullptr) {
        return nullptr;
    }
    std::vector<int32_t> pids = activeRegistry->instances();
    jsize count = static_cast<jsize>(pids.size());
    jintArray array = env->NewIntArray(count);
    if (array == nullptr) {
        checkException(env, false);
        return nullptr;
    }
    std::vector<jint> values(pids.begin(), pids.end());
    env->SetIntArrayRegion(array, 0, count, values.data());
    if (checkException(env, false) != 0) {
        env->DeleteLocalRef(array);
        return nullptr;
    }
    return array;
}
}

const NativeClassBinding& instancesNatives() {
    static const JNINativeMethod methods[] = {
        {const_cast<char*>("getFirstInstance"), const_cast<char*>("()I"),
         reinterpret_cast<void*>(&Java_com_tarnwick_wyn_Instances_getFirstInstance)},
        {const_cast<char*>("getCurrentInstance"), const_cast<char*>("()I"),
         reinterpret_cast<void*>(&Java_com_tarnwick_wyn_Instances_getCurrentInstance)},
        {const_cast<char*>("getInstances"), const_cast<char*>("()[I"),
         reinterpret_cast<void*>(&Java_com_tarnwick_wyn_Instances_getInstances)},
    };
    static const NativeClassBinding binding = {
        "com/tarnwick/wyn/Instances", methods,
        static_cast<int>(sizeof(methods) / sizeof(methods[0]))};
    return binding;
}
