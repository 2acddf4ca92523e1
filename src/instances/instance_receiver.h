// The process-wide record through which complete messages reach the Java application, and
// the switch of the "custom" single-instance mode.
//
// It is created zero-filled at process start. startCustomMode of the registry switches the
// mode on and hands the record to the registry, whose delivery thread calls deliverMessage
// for every complete message, in order. setReceiver (a native) stores the Java receiver: a global
// reference to it, its onReceive method, and its class's loader, through which received
// objects are resolved. Same on every platform.
#pragma once

#include <jni.h>

#include <atomic>
#include <cstdint>
#include <mutex>

class InstanceReceiver {
  public:
    InstanceReceiver() = default;
    InstanceReceiver(const InstanceReceiver&) = delete;
    InstanceReceiver& operator=(const InstanceReceiver&) = delete;
    virtual ~InstanceReceiver() = default;

    // Hands a complete message body to the Java receiver (on the calling thread, attached to
    // the virtual machine for the call). Bodies shorter than 4 bytes, of another type than 0,
    // or arriving without a receiver are dropped.
    virtual void deliverMessage(int32_t sender, int32_t length, const uint8_t* bytes);

    // Replaces the receiver (null clears it); the earlier one's references are released.
    void setReceiver(JNIEnv* env, jobject receiver);

    // Deliveries stop for good: the virtual machine is about to go. Waits (bounded) for a
    // delivery in progress to leave the virtual machine.
    void closeDeliveries();

    std::atomic<int> customModeActive{0};

  private:
    std::mutex lock_;
    JavaVM* vm_ = nullptr;
    jobject receiver_ = nullptr;
    jobject loader_ = nullptr;
    jmethodID onReceive_ = nullptr;
    std::atomic<int> deliveriesInProgress_{0};
    std::atomic<bool> closed_{false};
};

// The one receiver of this process.
InstanceReceiver& instanceReceiver();
