// The mailbox mutex and signal event on Windows: this user's named kernel objects, which
// every instance creates or opens itself.
#include <windows.h>

#include "platform/mailbox_sync.h"
#include "platform/object_names.h"
#include "platform/object_security_win.h"

namespace platform {

namespace {

constexpr int kLostPulseMs = 100;

// This user's object name for key + ending, or empty for no key (an unnamed object).
TextString objectNameFor(const char* key, const char* ending) {
    if (key == nullptr) {
        return TextString();
    }
    return userObjectName(TextString::concat(key, ending).c_str());
}

const char* nameOrNull(const TextString& name) {
    return name.empty() ? nullptr : name.c_str();
}

}  // namespace

MailboxSync::~MailboxSync() {
    close();
}

void MailboxSync::bind(const char* key, void*, int32_t* signalCount) {
    close();
    signalCount_ = signalCount;
    TextString mutexName = objectNameFor(key, ".mailbox");
    TextString eventName = objectNameFor(key, ".signal");
    mutex_ = CreateMutexA(userOnlySecurity(), FALSE, nameOrNull(mutexName));
    event_ = CreateEventA(userOnlySecurity(), TRUE, FALSE, nameOrNull(eventName));
}

bool MailboxSync::holdsMutex() const {
    return mutex_ != nullptr;
}

bool MailboxSync::holdsEvent() const {
    return event_ != nullptr;
}

bool MailboxSync::lockMailbox() {
    HANDLE mutex = static_cast<HANDLE>(mutex_.load());
    if (mutex == nullptr) {
        return false;
    }
    DWORD rc = WaitForSingleObject(mutex, INFINITE);
    return rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
}

void MailboxSync::unlockMailbox() {
    ReleaseMutex(static_cast<HANDLE>(mutex_.load()));
}

void MailboxSync::pulse() {
    // The count first: a waiter that looks at it after this sees the change and does not
    // wait, and one that looked before is waiting, or about to, when the pulse comes.
    if (signalCount_ != nullptr) {
        __atomic_add_fetch(signalCount_, 1, __ATOMIC_ACQ_REL);
    }
    if (void* event = event_.load()) {
        PulseEvent(static_cast<HANDLE>(event));
    }
}

void MailboxSync::wait(int32_t seen, const ProcessWatch& first, int timeoutMs) {
    if (signalCount_ != nullptr && __atomic_load_n(signalCount_, __ATOMIC_ACQUIRE) != seen) {
        return;
    }
    // PulseEvent releases only the threads waiting at that moment: a pulse between the look
    // at the counter and the wait is missed, so the wait is bounded and the caller looks
    // again.
    if (timeoutMs < 0 || timeoutMs > kLostPulseMs) {
        timeoutMs = kLostPulseMs;
    }
    DWORD limit = static_cast<DWORD>(timeoutMs);
    HANDLE handles[2];
    DWORD count = 0;
    if (void* event = event_.load()) {
        handles[count++] = static_cast<HANDLE>(event);
    }
    if (first.isOpen()) {
        handles[count++] = static_cast<HANDLE>(first.handle());
    }
    if (count == 0) {
        Sleep(limit);
        return;
    }
    WaitForMultipleObjects(count, handles, FALSE, limit);
}

void MailboxSync::close() {
    if (void* mutex = mutex_.exchange(nullptr)) {
        CloseHandle(static_cast<HANDLE>(mutex));
    }
    if (void* event = event_.exchange(nullptr)) {
        CloseHandle(static_cast<HANDLE>(event));
    }
}

}  // namespace platform
