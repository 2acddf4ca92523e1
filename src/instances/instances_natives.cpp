// The Instances natives: thin JNI entry points over the process's instance registry.
#include "instances/instances_natives.h"

#include <vector>

#include "base/jni_calls.h"
#include "base/trace.h"
#include "instances/instance_receiver.h"
#include "instances/instance_registry.h"
#include "platform/sync.h"

namespace {

// The object's standard serial form, or an empty result (the exception described and
// cleared) when it cannot be serialised.
bool serialise(JNIEnv* env, jobject object, std::vector<uint8_t>& out) {
    LocalRef<jclass> bytesClass(env, findClassChecked(env, "java/io/ByteArrayOutputStream", true));
    LocalRef<jclass> objectsClass(env, findClassChecked(env, "java/io/ObjectOutputStream", true));
    if (bytesClass.isNull() || objectsClass.isNull()) {
        return false;
    }
    jmethodID bytesInit = findMethodChecked(env, bytesClass.get(), "<init>", "()V", true);
    jmethodID toByteArray = findMethodChecked(env, bytesClass.get(), "toByteArray", "()[B", true);
    jmethodID objectsInit =
        findMethodChecked(env, objectsClass.get(), "<init>", "(Ljava/io/OutputStream;)V", true);
    jmethodID writeObject =
        findMethodChecked(env, objectsClass.get(), "writeObject", "(Ljava/lang/Object;)V", true);
    jmethodID close = findMethodChecked(env, objectsClass.get(), "close", "()V", true);
    if (bytesInit == nullptr || toByteArray == nullptr || objectsInit == nullptr ||
        writeObject == nullptr || close == nullptr) {
        return false;
    }
    LocalRef<jobject> bytes(env, env->NewObject(bytesClass.get(), bytesInit));
    if (checkException(env, true) != 0 || bytes.isNull()) {
        return false;
    }
    LocalRef<jobject> objects(env, env->NewObject(objectsClass.get(), objectsInit, bytes.get()));
    if (checkException(env, true) != 0 || objects.isNull()) {
        return false;
    }
    env->CallVoidMethod(objects.get(), writeObject, object);
    bool failed = checkException(env, true) != 0;
    env->CallVoidMethod(objects.get(), close);
    failed = checkException(env, true) != 0 || failed;
    if (failed) {
        return false;
    }
    LocalRef<jbyteArray> array(
        env, static_cast<jbyteArray>(env->CallObjectMethod(bytes.get(), toByteArray)));
    if (checkException(env, true) != 0 || array.isNull()) {
        return false;
    }
    jsize length = env->GetArrayLength(array.get());
    if (length < 0 || length > kMaxMessageLength - 4) {
        return false;
    }
    out.assign(4, 0);
    out.resize(4 + static_cast<size_t>(length));
    env->GetByteArrayRegion(array.get(), 0, length, reinterpret_cast<jbyte*>(out.data() + 4));
    return checkException(env, true) == 0;
}

constexpr int kFlushRounds = 100;
constexpr unsigned kFlushStepMs = 50;

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

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_Instances_sendObject(JNIEnv* env, jclass, jint target,
                                                                  jobject object) {
    if (!customModeActive()) {
        return;
    }
    if (target == 0) {
        // As for getFirstInstance: never the id of a first instance that has ended.
        activeRegistry->ensureFirstInstance();
        target = activeRegistry->firstInstancePid();
    }
    std::vector<uint8_t> body;
    if (!serialise(env, object, body)) {
        trace("instances: the object cannot be serialised, nothing is sent");
        return;
    }
    activeRegistry->enqueueMessage(target, std::move(body));
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_Instances_flush(JNIEnv*, jclass) {
    if (!customModeActive()) {
        return;
    }
    for (int i = 0; i < kFlushRounds && !activeRegistry->outgoingEmpty(); ++i) {
        platform::sleepMilliseconds(kFlushStepMs);
    }
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_Instances_setReceiver(JNIEnv* env, jclass,
                                                                   jobject receiver) {
    instanceReceiver().setReceiver(env, receiver);
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
        {const_cast<char*>("sendObject"), const_cast<char*>("(ILjava/io/Serializable;)V"),
         reinterpret_cast<void*>(&Java_com_tarnwick_wyn_Instances_sendObject)},
        {const_cast<char*>("flush"), const_cast<char*>("()V"),
         reinterpret_cast<void*>(&Java_com_tarnwick_wyn_Instances_flush)},
        {const_cast<char*>("setReceiver"),
         const_cast<char*>("(Lcom/tarnwick/wyn/Instances$ReceiverInterface;)V"),
         reinterpret_cast<void*>(&Java_com_tarnwick_wyn_Instances_setReceiver)},
    };
    static const NativeClassBinding binding = {
        "com/tarnwick/wyn/Instances", methods,
        static_cast<int>(sizeof(methods) / sizeof(methods[0]))};
    return binding;
}
