// The two objects through which instances share their mailbox: the mailbox mutex, which a
// sender holds to claim the mailbox, and the signal that announces each change of it.
//
// Windows: the first instance creates an unnamed mutex and an unnamed manual-reset event and
// publishes their handle values in the block; every other instance duplicates them out of
// the first instance's process (DuplicateHandle). Handles once held stay in use when another
// process takes over the first-instance role, and the objects live as long as any instance
// holds them. A pulse counts itself in the block's signal counter, then PulseEvent releases
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

    // The block's storage for the mutex (kSharedLockStorage bytes, used on Linux) and its
    // signal counter.
    void bind(void* mutexStorage, int32_t* signalCount);

    // Creates whichever of the two objects this process does not hold yet.
    void createMissing();
    // Duplicates whichever object is missing out of the process that owner watches, from the
    // handle values published in the block.
    void adoptMissing(const ProcessWatch& owner, int32_t mutexValue, int32_t eventValue);
    // The values to publish in the block for the objects this process holds (0 for none).
    int32_t mutexValue() const;
    int32_t eventValue() const;
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
    // Set by whichever thread keeps the first-instance role, read by the watcher.
    std::atomic<void*> mutex_{nullptr};
    std::atomic<void*> event_{nullptr};
    int32_t* signalCount_ = nullptr;
};

}  // namespace platform
