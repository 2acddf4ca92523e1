// Messages between instances: the outgoing queue, the signal, the mailbox's chunks in both
// directions, and the watcher thread's turn. Delivery to the receiver is in
// instance_delivery.cpp.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "base/trace.h"
#include "instances/instance_receiver.h"
#include "instances/instance_registry.h"

namespace {

// How often a watcher wakes while a chunk waits for another process, so that the chunk's
// age advances and an addressee's end is seen even when nobody pulses.
constexpr int kPendingWakeupMs = 200;
// A long message looks again whether its addressee still runs after this many bytes.
constexpr int32_t kAddresseeCheckBytes = 64 * kChunkCapacity;
// A partly received message that has not grown for this long is given up.
constexpr int64_t kStaleIncomingMs = 10000;
constexpr int64_t kStaleCheckEveryMs = 1000;

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The chunk that a sound sender writes at index of a message of length bytes.
int32_t expectedChunkLength(int32_t length, int32_t index) {
    return std::min(kChunkCapacity, length - kChunkCapacity * index);
}

}  // namespace

void InstanceRegistry::enqueueMessage(int32_t target, std::vector<uint8_t> body) {
    // No process has an id of 0 or less, and a chunk addressed to 0 would read as a mailbox
    // still being filled.
    if (target <= 0 || body.size() > static_cast<size_t>(kMaxMessageLength)) {
        trace("instances: message for %d not sent", target);
        return;
    }
    // A message for a process that is no instance would only wait in the mailbox until a
    // watcher dropped it, holding up every other instance meanwhile.
    if (!isListedInstance(target)) {
        trace("instances: %d is not a running instance, the message is discarded", target);
        return;
    }
    auto message = std::make_unique<OutgoingMessage>();
    message->target = target;
    message->body = std::move(body);
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        outgoing_.push_back(std::move(message));
    }
    pulseSignal();
}

bool InstanceRegistry::isListedInstance(int32_t pid) {
    platform::SharedLockGuard guard(lock_);
    SharedInstanceBlock& b = *block_;
    if (pid == loadShared(b.firstInstancePid)) {
        return isProcessAlive(pid, b.firstInstanceStamp);
    }
    int32_t count = loadShared(b.instanceCount);
    count = count >= 0 && count <= kMaxListedInstances ? count : 0;
    for (int32_t i = 0; i < count; ++i) {
        if (b.instancePids[i] == pid) {
            return isProcessAlive(pid, b.instanceStamps[i]);
        }
    }
    return false;
}

bool InstanceRegistry::outgoingEmpty() {
    std::lock_guard<std::mutex> guard(queueLock_);
    return outgoing_.empty();
}

void InstanceRegistry::pulseSignal() {
    // The instances to wake, read without the registry's lock: an entry that changes
    // meanwhile costs that instance only a wake-up, which its guard time makes up for.
    SharedInstanceBlock& b = *block_;
    std::vector<int32_t> pids;
    int32_t first = loadShared(b.firstInstancePid);
    if (first > 0) {
        pids.push_back(first);
    }
    int32_t count = loadShared(b.instanceCount);
    count = count >= 0 && count <= kMaxListedInstances ? count : 0;
    for (int32_t i = 0; i < count; ++i) {
        int32_t pid = loadShared(b.instancePids[i]);
        if (pid > 0 && pid != first) {
            pids.push_back(pid);
        }
    }
    mailbox_.pulse(pids);
}

void InstanceRegistry::waitForSignal() {
    int32_t current = loadShared(block_->signalCount);
    if (current == lastSignalCount_) {
        int timeoutMs = -1;
        if (loadShared(block_->chunkPending) == 1 && loadShared(block_->chunkTarget) != ownPid_) {
            timeoutMs = kPendingWakeupMs;
        }
        int32_t first = knownFirstPid_.load();
        first = first != ownPid_ ? first : 0;
        if (first != watchedPid_) {
            watchedFirst_.close();
            watchedPid_ = first;
            if (first != 0) {
                watchedFirst_.open(first);
            }
        }
        mailbox_.wait(current, watchedFirst_, timeoutMs);
    }
    lastSignalCount_ = loadShared(block_->signalCount);
}

bool InstanceRegistry::claimMailbox() {
    if (!mailbox_.lockMailbox()) {
        return false;
    }
    bool claimed = false;
    if (loadShared(block_->chunkPending) == 0) {
        storeShared(block_->chunkTarget, 0);
        storeShared(block_->chunkSender, ownPid_);
        storeShared(block_->fillerStamp, ownStamp_);
        storeShared(block_->chunkPending, 1);
        claimed = true;
    }
    mailbox_.unlockMailbox();
    return claimed;
}

void InstanceRegistry::writeChunk() {
    OutgoingMessage* message = nullptr;
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        message = outgoing_.empty() ? nullptr : outgoing_.front().get();
    }
    SharedInstanceBlock& b = *block_;
    if (message != nullptr && message->offset % kAddresseeCheckBytes == 0 &&
        !isListedInstance(message->target)) {
        // The addressee has ended since the message was queued: the rest of it would only be
        // dropped chunk by chunk.
        trace("instances: %d is no longer a running instance, the message is discarded",
              message->target);
        std::lock_guard<std::mutex> guard(queueLock_);
        outgoing_.pop_front();
        message = nullptr;
    }
    if (message == nullptr) {
        storeShared(b.chunkPending, 0);
        return;
    }
    int32_t length = static_cast<int32_t>(message->body.size());
    if (message->offset == 0) {
        message->messageId = __atomic_fetch_add(&b.nextMessageId, 1, __ATOMIC_ACQ_REL);
    }
    storeShared(b.chunkSender, ownPid_);
    storeShared(b.chunkSize, kChunkCapacity);
    storeShared(b.chunkMessageId, message->messageId);
    storeShared(b.chunkSequence, __atomic_fetch_add(&b.nextChunkSequence, 1, __ATOMIC_ACQ_REL));
    storeShared(b.messageLength, length);
    storeShared(b.lastChunkIndex, length > 0 ? (length - 1) / kChunkCapacity : 0);
    storeShared(b.chunkIndex, message->offset / kChunkCapacity);
    int32_t chunkLength = std::min(length - message->offset, kChunkCapacity);
    storeShared(b.chunkLength, chunkLength);
    storeShared(b.chunkPending, 1);
    if (chunkLength > 0) {
        std::memcpy(b.chunkData, message->body.data() + message->offset,
                    static_cast<size_t>(chunkLength));
    }
    // The addressee goes last: a watcher takes the chunk only once it names its process.
    storeShared(b.chunkTarget, message->target);
    message->offset += kChunkCapacity;
    if (message->offset >= length) {
        std::lock_guard<std::mutex> guard(queueLock_);
        outgoing_.pop_front();
    }
}

bool InstanceRegistry::dropChunk(int32_t target, int32_t sender, int32_t sequence) {
    // Every watcher may find the same chunk to drop. Between one watcher's look and its drop,
    // another may have dropped it and a sender may have claimed the mailbox and put in its
    // next chunk, which must not be dropped in its place. Senders claim under the mailbox
    // mutex, and a claim changes the sender and empties the addressee until the chunk is
    // complete; a complete chunk has a sequence number of its own.
    if (!mailbox_.lockMailbox()) {
        return false;
    }
    SharedInstanceBlock& b = *block_;
    bool same = loadShared(b.chunkPending) == 1 && loadShared(b.chunkTarget) == target &&
                loadShared(b.chunkSender) == sender && loadShared(b.chunkSequence) == sequence;
    if (same) {
        storeShared(b.chunkPending, 0);
    }
    mailbox_.unlockMailbox();
    return same;
}

void InstanceRegistry::dropIncoming(int32_t messageId, int32_t sender) {
    incoming_.erase(std::remove_if(incoming_.begin(), incoming_.end(),
                                   [&](const IncomingMessage& m) {
                                       return m.messageId == messageId && m.sender == sender;
                                   }),
                    incoming_.end());
}

bool InstanceRegistry::takeChunk(int32_t sequence, IncomingMessage& complete) {
    // Under the mailbox mutex no drop or claim runs meanwhile; the chunk must still be the
    // one seen, since between the look and this point another watcher may have dropped it
    // and a sender put in its next one.
    if (!mailbox_.lockMailbox()) {
        return false;
    }
    SharedInstanceBlock& b = *block_;
    if (loadShared(b.chunkPending) != 1 || loadShared(b.chunkTarget) != ownPid_ ||
        loadShared(b.chunkSequence) != sequence) {
        mailbox_.unlockMailbox();
        return false;
    }
    int32_t sender = loadShared(b.chunkSender);
    int32_t messageId = loadShared(b.chunkMessageId);
    int32_t index = loadShared(b.chunkIndex);
    int32_t last = loadShared(b.lastChunkIndex);
    int32_t length = loadShared(b.messageLength);
    int32_t chunkLength = loadShared(b.chunkLength);
    // Any process may have written these: they must describe one chunk of one message of a
    // bounded length before a byte is copied.
    bool sound = length >= 0 && length <= kMaxMessageLength &&
                 last == (length > 0 ? (length - 1) / kChunkCapacity : 0) && index >= 0 &&
                 index <= last && chunkLength == expectedChunkLength(length, index);
    uint8_t data[kChunkCapacity];
    if (sound && chunkLength > 0) {
        std::memcpy(data, b.chunkData, static_cast<size_t>(chunkLength));
    }
    storeShared(b.chunkPending, 0);
    mailbox_.unlockMailbox();
    if (!sound) {
        trace("instances: unsound chunk from %d dropped with its message", sender);
        dropIncoming(messageId, sender);
        return false;
    }
    auto record = std::find_if(incoming_.begin(), incoming_.end(), [&](const IncomingMessage& m) {
        return m.messageId == messageId && m.sender == sender;
    });
    if (index == 0) {
        if (record != incoming_.end()) {
            incoming_.erase(record);
        }
        IncomingMessage started;
        started.messageId = messageId;
        started.sender = sender;
        started.senderStamp = platform::processStartStamp(sender);
        started.messageLength = length;
        incoming_.push_back(std::move(started));
        record = incoming_.end() - 1;
    } else if (record == incoming_.end()) {
        return false;
    }
    if (record->chunksReceived != index || record->messageLength != length) {
        // A lost or foreign chunk: the whole message is lost.
        incoming_.erase(record);
        return false;
    }
    record->body.insert(record->body.end(), data, data + chunkLength);
    ++record->chunksReceived;
    record->lastGrowthMs = nowMs();
    if (index != last) {
        return false;
    }
    complete = std::move(*record);
    incoming_.erase(record);
    return true;
}

void InstanceRegistry::forgetStaleIncoming() {
    int64_t now = nowMs();
    if (incoming_.empty() || now - lastStaleCheckMs_ < kStaleCheckEveryMs) {
        return;
    }
    lastStaleCheckMs_ = now;
    incoming_.erase(std::remove_if(incoming_.begin(), incoming_.end(),
                                   [&](const IncomingMessage& m) {
                                       return now - m.lastGrowthMs > kStaleIncomingMs ||
                                              !isProcessAlive(m.sender, m.senderStamp);
                                   }),
                    incoming_.end());
}

bool InstanceRegistry::waitedTooLong(int32_t sequence) {
    int64_t now = nowMs();
    if (sequence != waitingSequence_) {
        waitingSequence_ = sequence;
        waitingSinceMs_ = now;
        return false;
    }
    return now - waitingSinceMs_ > kStuckChunkMs;
}

const char* InstanceRegistry::dropReason(int32_t target, int32_t sequence) {
    if (!isListedInstance(target)) {
        return "is not a running instance";
    }
    if (waitedTooLong(sequence)) {
        return "has taken nothing for 30 s";
    }
    return nullptr;
}

void InstanceRegistry::watcherTurn() {
    waitForSignal();
    if (!running_.load()) {
        return;
    }
    ensureFirstInstance();
    SharedInstanceBlock& b = *block_;
    bool changed = false;
    bool turnGoesOn = true;
    if (loadShared(b.chunkPending) == 1) {
        int32_t target = loadShared(b.chunkTarget);
        int32_t sender = loadShared(b.chunkSender);
        int32_t sequence = loadShared(b.chunkSequence);
        if (target == ownPid_) {
            if (deliveryBacklog() >= kMaxDeliveryBacklog) {
                // Back-pressure: the chunk waits in the mailbox until deliveries catch up.
                turnGoesOn = false;
            } else {
                if (takeRaceHook_) {
                    takeRaceHook_();
                }
                IncomingMessage complete;
                if (takeChunk(sequence, complete)) {
                    queueDelivery(std::move(complete));
                }
                changed = true;
            }
        } else if (target == 0) {
            if (isProcessAlive(sender, loadShared(b.fillerStamp))) {
                // Another process is filling the mailbox.
                turnGoesOn = false;
            } else if (dropChunk(0, sender, sequence)) {
                trace("instances: the mailbox left half-filled by %d, which has ended, is freed",
                      sender);
                changed = true;
            }
        } else if (const char* reason = dropReason(target, sequence)) {
            int32_t index = loadShared(b.chunkIndex);
            int32_t messageId = loadShared(b.chunkMessageId);
            if (dropChunk(target, sender, sequence)) {
                trace("instances: chunk %d of message %d from %d dropped: addressee %d %s", index,
                      messageId, sender, target, reason);
                changed = true;
            }
        } else {
            turnGoesOn = false;
        }
    }
    if (turnGoesOn) {
        if (!outgoingEmpty() && loadShared(b.chunkPending) == 0 && claimMailbox()) {
            writeChunk();
            pulseSignal();
        } else if (changed) {
            pulseSignal();
        }
    }
    forgetStaleIncoming();
}

unsigned WYN_THREAD_CALL InstanceRegistry::watcherThread(void* argument) {
    auto* registry = static_cast<InstanceRegistry*>(argument);
    while (registry->running_.load()) {
        registry->watcherTurn();
    }
    registry->watcherRunning_.store(false);
    return 0;
}
