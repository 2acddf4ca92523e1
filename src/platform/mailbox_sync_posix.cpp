// The mailbox mutex and signal on Linux: both live in the shared block (a robust
// process-shared mutex and a futex on the signal counter), so there is nothing to create or
// duplicate.
#include <linux/futex.h>
#include <poll.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <climits>

#include "platform/mailbox_sync.h"
#include "platform/shared_memory.h"

namespace platform {

namespace {

constexpr int kFirstWatchMs = 500;
// A guard only: a pulse between the caller's look and the wait is not lost on a futex.
constexpr int kGuardMs = 1000;

long futex(int32_t* word, int op, int32_t value, const struct timespec* timeout) {
    return syscall(SYS_futex, word, op, value, timeout, nullptr, 0);
}

}  // namespace

MailboxSync::~MailboxSync() {
    close();
}

void MailboxSync::bind(const char*, int32_t, void* mutexStorage, int32_t* signalCount) {
    close();
    auto* lock = new SharedLock();
    lock->open(nullptr, mutexStorage);
    mutex_ = lock;
    signalCount_ = signalCount;
    event_ = signalCount;
}

bool MailboxSync::holdsMutex() const {
    return mutex_ != nullptr;
}

bool MailboxSync::holdsEvent() const {
    return event_ != nullptr;
}

bool MailboxSync::lockMailbox() {
    if (mutex_ == nullptr) {
        return false;
    }
    static_cast<SharedLock*>(mutex_.load())->lock();
    return true;
}

void MailboxSync::unlockMailbox() {
    if (mutex_ != nullptr) {
        static_cast<SharedLock*>(mutex_.load())->unlock();
    }
}

void MailboxSync::pulse(const std::vector<int32_t>&) {
    if (signalCount_ != nullptr) {
        __atomic_add_fetch(signalCount_, 1, __ATOMIC_ACQ_REL);
        futex(signalCount_, FUTEX_WAKE, INT_MAX, nullptr);
    }
}

void MailboxSync::wait(int32_t seen, const ProcessWatch& first, int timeoutMs) {
    if (signalCount_ == nullptr) {
        return;
    }
    if (first.isOpen()) {
        // A futex cannot be waited on together with the first instance's end: the wait is
        // bounded instead, and the caller looks again.
        if (!first.stillActive()) {
            return;
        }
        if (timeoutMs < 0 || timeoutMs > kFirstWatchMs) {
            timeoutMs = kFirstWatchMs;
        }
    }
    if (timeoutMs < 0) {
        timeoutMs = kGuardMs;
    }
    struct timespec limit = {timeoutMs / 1000, (timeoutMs % 1000) * 1000000L};
    // Sleeps only while the counter still holds seen: a pulse between the caller's look and
    // this call is not lost.
    futex(signalCount_, FUTEX_WAIT, seen, &limit);
}

void MailboxSync::close() {
    delete static_cast<SharedLock*>(mutex_.exchange(nullptr));
    event_ = nullptr;
    signalCount_ = nullptr;
}

}  // namespace platform
