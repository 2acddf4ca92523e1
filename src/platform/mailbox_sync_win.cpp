// The mailbox mutex and the instances' wake-up events on Windows: this user's named kernel
// objects, which every instance creates or opens itself.
#include <windows.h>

#include "platform/mailbox_sync.h"
#include "platform/object_names.h"
#include "platform/object_security_win.h"

namespace platform {

namespace {

// A guard only: every pulse sets the event of each instance it names.
constexpr DWORD kGuardMs = 1000;

// This user's object name for key + ending, or empty for no key (an unnamed object).
TextString objectNameFor(const char* key, const char* ending) {
    if (key == nullptr) {
        return TextString();
    }
    return userObjectName(TextString::concat(key, ending).c_str());
}

TextString signalNameFor(const char* key, int32_t pid) {
    TextString ending;
    ending.format(".signal.%d", static_cast<int>(pid));
    return objectNameFor(key, ending.c_str());
}

const char* nameOrNull(const TextString& name) {
    return name.empty() ? nullptr : name.c_str();
}

}  // namespace

MailboxSync::~MailboxSync() {
    close();
}

void MailboxSync::bind(const char* key, int32_t ownPid, void*, int32_t* signalCount) {
    close();
    signalCount_ = signalCount;
    key_ = key != nullptr ? TextString(key) : TextString();
    TextString mutexName = objectNameFor(key, ".mailbox");
    TextString eventName = signalNameFor(key, ownPid);
    mutex_ = CreateMutexA(userOnlySecurity(), FALSE, nameOrNull(mutexName));
    event_ = CreateEventA(userOnlySecurity(), FALSE, FALSE, nameOrNull(eventName));
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

void MailboxSync::pulse(const std::vector<int32_t>& pids) {
    // The count first: a waiter that looks at it after this sees the change and does not
    // wait; one that looked before finds its event set.
    if (signalCount_ != nullptr) {
        __atomic_add_fetch(signalCount_, 1, __ATOMIC_ACQ_REL);
    }
    if (void* own = event_.load()) {
        SetEvent(static_cast<HANDLE>(own));
    }
    if (key_.empty()) {
        return;
    }
    std::lock_guard<std::mutex> guard(peersLock_);
    // Events of processes no longer named are closed; the others are kept open for the next
    // pulse. An event that cannot be opened yet (an instance still starting) is looked for
    // again next time.
    std::vector<std::pair<int32_t, void*>> kept;
    for (int32_t pid : pids) {
        void* handle = nullptr;
        for (auto& peer : peers_) {
            if (peer.first == pid && peer.second != nullptr) {
                handle = peer.second;
                peer.second = nullptr;
            }
        }
        if (handle == nullptr) {
            TextString name = signalNameFor(key_.c_str(), pid);
            handle = OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str());
        }
        if (handle != nullptr) {
            SetEvent(static_cast<HANDLE>(handle));
            kept.emplace_back(pid, handle);
        }
    }
    for (auto& peer : peers_) {
        if (peer.second != nullptr) {
            CloseHandle(static_cast<HANDLE>(peer.second));
        }
    }
    peers_ = std::move(kept);
}

void MailboxSync::wait(int32_t seen, const ProcessWatch& first, int timeoutMs) {
    if (signalCount_ != nullptr && __atomic_load_n(signalCount_, __ATOMIC_ACQUIRE) != seen) {
        return;
    }
    DWORD limit = timeoutMs < 0 || static_cast<DWORD>(timeoutMs) > kGuardMs
                      ? kGuardMs
                      : static_cast<DWORD>(timeoutMs);
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
    std::lock_guard<std::mutex> guard(peersLock_);
    for (auto& peer : peers_) {
        CloseHandle(static_cast<HANDLE>(peer.second));
    }
    peers_.clear();
}

}  // namespace platform
