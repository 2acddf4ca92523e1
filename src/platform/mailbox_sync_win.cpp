// The mailbox mutex and signal event on Windows: kernel objects of the first instance,
// duplicated into every other instance.
#include <windows.h>

#include "platform/mailbox_sync.h"

namespace platform {

namespace {

constexpr DWORD kMutantQueryState = 0x0001;

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
    return handleValue(mutex_);
}

int32_t MailboxSync::eventValue() const {
    return handleValue(event_);
}

bool MailboxSync::holdsMutex() const {
    return mutex_ != nullptr;
}

bool MailboxSync::holdsEvent() const {
    return event_ != nullptr;
}

void MailboxSync::close() {
    if (mutex_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(mutex_));
        mutex_ = nullptr;
    }
    if (event_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(event_));
        event_ = nullptr;
    }
}

}  // namespace platform
