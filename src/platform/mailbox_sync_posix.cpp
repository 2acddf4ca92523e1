// The mailbox mutex and signal on Linux: both live in the shared block, so there is nothing
// to create or duplicate.
#include "platform/mailbox_sync.h"

namespace platform {

MailboxSync::~MailboxSync() {
    close();
}

void MailboxSync::bind(void* mutexStorage, int32_t* signalCount) {
    mutex_ = mutexStorage;
    signalCount_ = signalCount;
    event_ = signalCount;
}

void MailboxSync::createMissing() {}

void MailboxSync::adoptMissing(const ProcessWatch&, int32_t, int32_t) {}

int32_t MailboxSync::mutexValue() const {
    return 0;
}

int32_t MailboxSync::eventValue() const {
    return 0;
}

bool MailboxSync::holdsMutex() const {
    return mutex_ != nullptr;
}

bool MailboxSync::holdsEvent() const {
    return event_ != nullptr;
}

void MailboxSync::close() {}

}  // namespace platform
