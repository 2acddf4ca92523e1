// The two objects through which instances share their mailbox: the mailbox mutex, which a
// sender holds to claim the mailbox, and the signal that announces each change of it.
//
// Windows: the mutex is this user's named object "<key>.mailbox" for the block's key
// (object_names.h), made with a descriptor that grants only the user; every instance creates
// or opens it itself, so none depends on another's handles (which a normal process could not
// duplicate out of an elevated one). The signal is one auto-reset event per instance,
// "<key>.signal.<pid>", on which only that instance waits: a pulse counts itself in the
// block's signal counter, then sets the event of every instance it is given. A set event
// stays set until its instance waits, so no pulse is lost between the look at the counter
// and the wait (PulseEvent, which would lose it, is not used). A wait also ends when the
// watched first instance ends, and after a guard time. A block of this process alone (no
// key) gets unnamed objects.
// Linux: nothing needs creating or duplicating. The mutex is a robust process-shared mutex
// in the block, and the signal is a futex on the block's signal counter: a pulse increments
// it and wakes every waiter, and a wait sleeps only while the counter still holds the value
// last seen, so no pulse is lost. A wait that watches a first instance is bounded (half a
// second), and the caller then looks whether that instance still runs; any other ends after
// a guard time (a second) at the latest.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "base/text.h"
#include "platform/process_identity.h"

namespace platform {

class MailboxSync {
  public:
    MailboxSync() = default;
    MailboxSync(const MailboxSync&) = delete;
    MailboxSync& operator=(const MailboxSync&) = delete;
    ~MailboxSync();

    // Opens the objects of the block named key (null: a block of this process alone) for the
    // instance ownPid, with the block's storage for the mutex (kSharedLockStorage bytes, used
    // on Linux) and its signal counter.
    void bind(const char* key, int32_t ownPid, void* mutexStorage, int32_t* signalCount);
    bool holdsMutex() const;
    bool holdsEvent() const;

    // Takes the mailbox mutex (an abandoned one counts as taken); false when it cannot be
    // had, and then nothing is held.
    bool lockMailbox();
    void unlockMailbox();

    // Wakes the instances (Windows: those in pids; Linux: every one) that wait for a change
    // of the mailbox, and counts the pulse in the block's signal counter.
    void pulse(const std::vector<int32_t>& pids);
    // Waits until a pulse, the end of the process that first watches (when open), or
    // timeoutMs (negative: the guard time). Returns at once when the counter differs from
    // seen.
    void wait(int32_t seen, const ProcessWatch& first, int timeoutMs);

    void close();

  private:
    // Closed by shutdown while the watcher may still look at them.
    std::atomic<void*> mutex_{nullptr};
    std::atomic<void*> event_{nullptr};
    int32_t* signalCount_ = nullptr;
    // Windows: the key, and the other instances' events opened so far (pid, handle).
    TextString key_;
    std::mutex peersLock_;
    std::vector<std::pair<int32_t, void*>> peers_;
};

}  // namespace platform
