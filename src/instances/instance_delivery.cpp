// Delivery of complete messages: the watcher queues them in the process's memory, and the
// delivery thread hands them to the receiver one by one, in the order they were completed,
// so that the receiver's callback never holds up the mailbox. Same on every platform.
#include <chrono>

#include "base/trace.h"
#include "instances/instance_receiver.h"
#include "instances/instance_registry.h"

namespace {

// A guard against a missed wake-up: the delivery thread looks at its flag this often.
constexpr auto kDeliveryGuard = std::chrono::milliseconds(500);

}  // namespace

void InstanceRegistry::queueDelivery(IncomingMessage message) {
    {
        std::lock_guard<std::mutex> guard(deliveryLock_);
        deliveryBytes_ += message.body.size();
        deliveries_.push_back(std::move(message));
    }
    deliveryReady_.notify_one();
}

size_t InstanceRegistry::deliveryBacklog() {
    std::lock_guard<std::mutex> guard(deliveryLock_);
    return deliveryBytes_;
}

bool InstanceRegistry::deliverOne() {
    IncomingMessage message;
    {
        std::lock_guard<std::mutex> guard(deliveryLock_);
        if (deliveries_.empty()) {
            return false;
        }
        message = std::move(deliveries_.front());
        deliveries_.pop_front();
    }
    if (receiver_ != nullptr) {
        receiver_->deliverMessage(message.sender, static_cast<int32_t>(message.body.size()),
                                  message.body.data());
    }
    bool wasFull = false;
    {
        // The message counts until its delivery is over: it is in memory until then.
        std::lock_guard<std::mutex> guard(deliveryLock_);
        wasFull = deliveryBytes_ >= kMaxDeliveryBacklog;
        deliveryBytes_ -= message.body.size();
    }
    if (wasFull) {
        // The watcher stopped taking chunks for this process: it may take them again.
        pulseSignal();
    }
    return true;
}

void InstanceRegistry::deliverQueued() {
    while (deliverOne()) {
    }
}

unsigned WYN_THREAD_CALL InstanceRegistry::deliveryThread(void* argument) {
    auto* registry = static_cast<InstanceRegistry*>(argument);
    while (registry->running_.load()) {
        {
            std::unique_lock<std::mutex> lock(registry->deliveryLock_);
            // A deadline on the system clock: a steady-clock wait needs
            // pthread_cond_clockwait, which is newer (glibc 2.30) than the C library the
            // Linux stub promises; the guard only bounds the wait, so a clock step is harmless.
            registry->deliveryReady_.wait_until(
                lock, std::chrono::system_clock::now() + kDeliveryGuard, [registry] {
                    return !registry->deliveries_.empty() || !registry->running_.load();
                });
        }
        if (registry->running_.load()) {
            registry->deliverOne();
        }
    }
    registry->deliveryRunning_.store(false);
    return 0;
}
