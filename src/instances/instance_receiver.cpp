// Delivering complete messages to the Java receiver: attach, deserialise through the
// receiver's class loader, call onReceive, detach.
#include "instances/instance_receiver.h"

#include "base/jni_calls.h"
#include "base/trace.h"
#include "platform/sync.h"

namespace {

constexpr int kCloseWaitMs = 2000;

// Reads one object from bytes through loader; null when reading fails (the exception is
// described and cleared).
jobject readObject(JNIEnv* env, jbyteArray bytes, jobject loader) {
    LocalRef<jclass> inputClass(env, findClassChecked(env, "java/io/ByteArrayInputStream", true));
    LocalRef<jclass> objectInputClass(
        env, findClassChecked(env, "com/tarnwick/wyn/ClassLoaderObjectInputStream", true));
    if (inputClass.isNull() || objectInputClass.isNull()) {
        return nullptr;
    }
    jmethodID inputInit = findMethodChecked(env, inputClass.get(), "<init>", "([B)V", true);
    jmethodID objectInputInit =
        findMethodChecked(env, objectInputClass.get(), "<init>",
                          "(Ljava/io/InputStream;Ljava/lang/ClassLoader;)V", true);
    jmethodID read =
        findMethodChecked(env, objectInputClass.get(), "readObject", "()Ljava/lang/Object;", true);
    jmethodID close = findMethodChecked(env, objectInputClass.get(), "close", "()V", true);
    if (inputInit == nullptr || objectInputInit == nullptr || read == nullptr || close == nullptr) {
        return nullptr;
    }
    LocalRef<jobject> input(env, env->NewObject(inputClass.get(), inputInit, bytes));
    if (checkException(env, true) != 0 || input.isNull()) {
        return nullptr;
    }
    LocalRef<jobject> objectInput(
        env, env->NewObject(objectInputClass.get(), objectInputInit, input.get(), loader));
    if (checkException(env, true) != 0 || objectInput.isNull()) {
        return nullptr;
    }
    jobject object = env->CallObjectMethod(objectInput.get(), read);
    if (checkException(env, true) != 0) {
        object = nullptr;
    }
    env->CallVoidMethod(objectInput.get(), close);
    checkException(env, true);
    return object;
}

void setContextLoader(JNIEnv* env, jobject loader) {
    LocalRef<jclass> threadClass(env, findClassChecked(env, "java/lang/Thread", false));
    if (threadClass.isNull()) {
        return;
    }
    jmethodID current = findStaticMethodChecked(env, threadClass.get(), "currentThread",
                                                "()Ljava/lang/Thread;", false);
    jmethodID setLoader = findMethodChecked(env, threadClass.get(), "setContextClassLoader",
                                            "(Ljava/lang/ClassLoader;)V", false);
    if (current == nullptr || setLoader == nullptr) {
        return;
    }
    LocalRef<jobject> thread(env, env->CallStaticObjectMethod(threadClass.get(), current));
    if (checkException(env, false) == 0 && !thread.isNull()) {
        env->CallVoidMethod(thread.get(), setLoader, loader);
    }
    checkException(env, false);
}

}  // namespace

InstanceReceiver& instanceReceiver() {
    static InstanceReceiver receiver;
    return receiver;
}

void InstanceReceiver::deliverMessage(int32_t sender, int32_t length, const uint8_t* bytes) {
    if (length < 4 || bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 0 || bytes[3] != 0) {
        return;
    }
    ++deliveriesInProgress_;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    jobject receiver = nullptr;
    jobject loader = nullptr;
    jmethodID onReceive = nullptr;
    {
        // Local references of the receiver and its loader: a setReceiver during the call
        // (also one from onReceive itself) may release the global ones.
        std::lock_guard<std::mutex> guard(lock_);
        if (!closed_.load() && vm_ != nullptr && receiver_ != nullptr &&
            vm_->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr) == JNI_OK &&
            env != nullptr) {
            vm = vm_;
            receiver = env->NewLocalRef(receiver_);
            loader = loader_ != nullptr ? env->NewLocalRef(loader_) : nullptr;
            onReceive = onReceive_;
        }
    }
    if (vm == nullptr) {
        trace("instances: message from %d dropped (no receiver)", sender);
        --deliveriesInProgress_;
        return;
    }
    setContextLoader(env, loader);
    jbyteArray array = env->NewByteArray(length - 4);
    if (array != nullptr) {
        env->SetByteArrayRegion(array, 0, length - 4, reinterpret_cast<const jbyte*>(bytes + 4));
    }
    if (checkException(env, true) == 0 && array != nullptr) {
        jobject object = readObject(env, array, loader);
        if (object != nullptr) {
            env->CallVoidMethod(receiver, onReceive, static_cast<jint>(sender), object);
            checkException(env, true);
            env->DeleteLocalRef(object);
        }
    }
    if (array != nullptr) {
        env->DeleteLocalRef(array);
    }
    env->DeleteLocalRef(receiver);
    if (loader != nullptr) {
        env->DeleteLocalRef(loader);
    }
    vm->DetachCurrentThread();
    --deliveriesInProgress_;
}

void InstanceReceiver::setReceiver(JNIEnv* env, jobject receiver) {
    std::lock_guard<std::mutex> guard(lock_);
    if (vm_ == nullptr) {
        env->GetJavaVM(&vm_);
    }
    if (receiver_ != nullptr) {
        env->DeleteGlobalRef(receiver_);
    }
    if (loader_ != nullptr) {
        env->DeleteGlobalRef(loader_);
    }
    receiver_ = nullptr;
    loader_ = nullptr;
    onReceive_ = nullptr;
    if (receiver == nullptr) {
        return;
    }
    LocalRef<jclass> cls(env, env->GetObjectClass(receiver));
    jmethodID onReceive =
        findMethodChecked(env, cls.get(), "onReceive", "(ILjava/io/Serializable;)V", true);
    LocalRef<jclass> classClass(env, env->GetObjectClass(cls.get()));
    jmethodID getLoader = findMethodChecked(env, classClass.get(), "getClassLoader",
                                            "()Ljava/lang/ClassLoader;", true);
    if (onReceive == nullptr || getLoader == nullptr) {
        return;
    }
    LocalRef<jobject> loader(env, env->CallObjectMethod(cls.get(), getLoader));
    if (checkException(env, true) != 0) {
        return;
    }
    receiver_ = env->NewGlobalRef(receiver);
    loader_ = loader.isNull() ? nullptr : env->NewGlobalRef(loader.get());
    onReceive_ = onReceive;
}

void InstanceReceiver::closeDeliveries() {
    closed_.store(true);
    for (int waited = 0; deliveriesInProgress_.load() > 0 && waited < kCloseWaitMs; waited += 10) {
        platform::sleepMilliseconds(10);
    }
}
