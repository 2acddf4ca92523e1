// The two objects through which instances share their mailbox: the mailbox mutex, which a
// sender holds to claim the mailbox, and the signal that announces each change of it.
//
// Windows: the mutex and a manual-reset event are this user's named objects, "<key>.mailbox"
// and "<key>.signal" for the block's key (object_names.h), made with a descriptor that grants
// only the user; every instance creates or opens them itself, so none depends on another's
// handles (which a normal process could not duplicate out of an elevated one), and they live
// as long as any instance holds them. A block of this process alone (no key) gets unnamed
// ones. A pulse counts itself in the block's signal counter, then PulseEvent releases
// the threads waiting at that moment; a wait also ends when the watched first instance ends,
// and after at most 100 ms, since a pulse that comes between the look at the counter and the
// start of the wait is missed.
// Linux: nothing needs creating or duplicating. The mutex is a robust process-shared mutex
// in the block, and the signal is a futex on the block's signal counter: a pulse increments
// it and wakes every waiter, and a wait sleeps only while the counter still holds the value
// last seen, so no pulse is lost. A wait that watches a first instance is bounded (half a
// second), and the caller then looks whether that instance still runs.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/process_identity.h"

namespace platform {

class MailboxSync {
  public:
    MailboxSync() = default;
    MailboxSync(const MailboxSync&) = delete;
    MailboxSync& operator=(const MailboxSync&) = delete;
    ~MailboxSync();

    // Opens the objects of the block named key (null: a block of this process alone), with
    // the block's storage for the mutex (kSharedLockStorage bytes, used on Linux) and its
    // signal counter.
    void bind(const char* key, void* mutexStorage, int32_t* signalCount);
    bool holdsMutex() const;
    bool holdsEvent() const;

    // Takes the mailbox mutex (an abandoned one counts as taken); false when it cannot be
    // had, and then nothing is held.
    bool lockMailbox();
    void unlockMailbox();

    // Wakes every instance that waits for a change of the mailbox and counts the pulse in
    // the block's signal counter.
    void pulse();
    // Waits until a pulse, the end of the process that first watches (when open), or
    // timeoutMs (negative: no limit). Returns at once when the counter differs from seen.
    void wait(int32_t seen, const ProcessWatch& first, int timeoutMs);

    void close();

  private:
    // Closed by shutdown while the watcher may still look at them.
    std::atomic<void*> mutex_{nullptr};
    std::atomic<void*> event_{nullptr};
    int32_t* signalCount_ = nullptr;
};

}  // namespace platform
