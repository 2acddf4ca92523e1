// The two objects through which instances share their mailbox: the mailbox mutex, which a
// sender holds to claim the mailbox, and the signal that announces each change of it.
//
// Windows: the first instance creates an unnamed mutex and an unnamed manual-reset event and
// publishes their handle values in the block; every other instance duplicates them out of
// the first instance's process (DuplicateHandle). Handles once held stay in use when another
// process takes over the first-instance role, and the objects live as long as any instance
// holds them. The signal is PulseEvent.
// Linux: nothing needs creating or duplicating. The mutex is a robust process-shared mutex
// in the block, and the signal is a futex on the block's signal counter: a pulse increments
// it and wakes every waiter.
#pragma once

#include <cstdint>

#include "platform/process_identity.h"

namespace platform {

class MailboxSync {
  public:
    MailboxSync() = default;
    MailboxSync(const MailboxSync&) = delete;
    MailboxSync& operator=(const MailboxSync&) = delete;
    ~MailboxSync();

    // Linux: the block's storage for the mutex (kSharedLockStorage bytes) and its signal
    // counter. Windows ignores both.
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

    void close();

  private:
    void* mutex_ = nullptr;
    void* event_ = nullptr;
    int32_t* signalCount_ = nullptr;
};

}  // namespace platform
