// The mailbox mutex and signal event on Windows: kernel objects of the first instance,
// duplicated into every other instance.
#include <windows.h>

#include "platform/mailbox_sync.h"

namespace platform {

namespace {

constexpr DWORD kMutantQueryState = 0x0001;
constexpr int kLostPulseMs = 100;

HANDLE duplicateFrom(HANDLE owner, int32_t value, DWORD access) {
    if (owner == nullptr || value == 0) {
        return nullptr;
    }
    HANDLE source = reinterpret_cast<HANDLE>(static_cast<intptr_t>(value));
    HANDLE copy = nullptr;
    if (!DuplicateHandle(owner, source, GetCurrentProcess(), &copy, access, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return copy;
}

int32_t handleValue(void* handle) {
    // Kernel handles hold 32 significant bits on both widths, so the value fits the block.
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(handle));
}

}  // namespace

MailboxSync::~MailboxSync() {
    close();
}

void MailboxSync::bind(void*, int32_t* signalCount) {
    signalCount_ = signalCount;
}

void MailboxSync::createMissing() {
    if (mutex_ == nullptr) {
        mutex_ = CreateMutexA(nullptr, FALSE, nullptr);
    }
    if (event_ == nullptr) {
        event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
}

void MailboxSync::adoptMissing(const ProcessWatch& owner, int32_t mutexValue, int32_t eventValue) {
    HANDLE process = static_cast<HANDLE>(owner.handle());
    if (mutex_ == nullptr) {
        mutex_ = duplicateFrom(process, mutexValue, SYNCHRONIZE | kMutantQueryState);
    }
    if (event_ == nullptr) {
        event_ = duplicateFrom(process, eventValue, SYNCHRONIZE | EVENT_MODIFY_STATE);
    }
}

int32_t MailboxSync::mutexValue() const {
    return handleValue(mutex_.load());
}

int32_t MailboxSync::eventValue() const {
    return handleValue(event_.load());
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
