// The mailbox as one process's watcher sees it: sound messages to itself, and whatever a
// faulty or hostile process may leave in the block (run under AddressSanitizer in the
// sanitizer tree: nothing may be read or written outside the block or the message).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "instances/instance_receiver.h"
#include "instances/instance_registry.h"
#include "platform/process_identity.h"

namespace {

constexpr int32_t kEndedPid = 0x7ffffff0;

class RecordingReceiver : public InstanceReceiver {
  public:
    void deliverMessage(int32_t sender, int32_t length, const uint8_t* bytes) override {
        senders.push_back(sender);
        bodies.emplace_back(bytes, bytes + length);
    }
    std::vector<int32_t> senders;
    std::vector<std::vector<uint8_t>> bodies;
};

// A registry over its own block, with the receiver handed over but no watcher thread: the
// test runs the watcher's turns itself.
class Mailbox : public ::testing::Test {
  protected:
    Mailbox() : registry(nullptr, nullptr), block(registry.block()) {
        // No watcher thread: the test runs the watcher's turns itself.
        registry.attachReceiver(receiver);
    }

    // One watcher turn that does not wait, and the deliveries it queued.
    void turn() {
        ++block.signalCount;
        registry.watcherTurn();
        registry.deliverQueued();
    }

    // A chunk for this process as a sender would leave it.
    void putChunk(int32_t sender, int32_t messageId, int32_t index, int32_t last, int32_t length,
                  int32_t chunkLength) {
        block.chunkSender = sender;
        block.chunkMessageId = messageId;
        block.chunkIndex = index;
        block.lastChunkIndex = last;
        block.messageLength = length;
        block.chunkLength = chunkLength;
        block.chunkSequence = ++sequence;
        block.chunkPending = 1;
        block.chunkTarget = registry.ownPid();
    }

    RecordingReceiver receiver;
    InstanceRegistry registry;
    SharedInstanceBlock& block;
    int32_t sequence = 100;
};

TEST_F(Mailbox, MessagesToItselfArriveWhole) {
    for (size_t size : {4u, 1024u, 1025u, 3000u, 70000u}) {
        std::vector<uint8_t> body(size);
        for (size_t i = 4; i < size; ++i) {
            body[i] = static_cast<uint8_t>(i * 13);
        }
        // 0 and negative ids name no process: nothing is queued for them.
        registry.enqueueMessage(0, body);
        registry.enqueueMessage(-5, body);
        receiver.bodies.clear();
        receiver.senders.clear();
        registry.enqueueMessage(registry.ownPid(), body);
        for (int i = 0; i < 400 && receiver.bodies.empty(); ++i) {
            turn();
        }
        ASSERT_EQ(receiver.bodies.size(), 1u) << size;
        EXPECT_EQ(receiver.bodies[0], body) << size;
        EXPECT_EQ(receiver.senders[0], registry.ownPid());
        EXPECT_TRUE(registry.outgoingEmpty());
        EXPECT_EQ(block.chunkPending, 0);
    }
}

// Every field of the mailbox is checked before a byte is copied; a chunk that does not
// describe one piece of one bounded message is dropped and the mailbox freed.
TEST_F(Mailbox, HostileChunksAreDroppedAndFreeTheMailbox) {
    const struct {
        const char* what;
        int32_t index, last, length, chunkLength;
    } cases[] = {
        {"negative chunk length", 0, 0, 10, -1},
        {"chunk length beyond the mailbox", 0, 0, 5000, 5000},
        {"huge chunk length", 0, 0, 10, INT_MAX},
        {"smallest chunk length", 0, 0, 10, INT_MIN},
        {"chunk length that disagrees", 0, 1, 2000, 1000},
        {"negative message length", 0, 0, -1, 0},
        {"message over the cap", 0, 262144, kMaxMessageLength + 1, 1024},
        {"largest message length", 0, INT_MAX / 1024, INT_MAX, 1024},
        {"negative index", -1, 0, 10, 10},
        {"index past the last", 3, 2, 3000, 952},
        {"last index that disagrees", 0, 5, 1000, 1000},
        {"smallest index", INT_MIN, 0, 10, 10},
    };
    for (const auto& c : cases) {
        putChunk(registry.ownPid(), 77, c.index, c.last, c.length, c.chunkLength);
        turn();
        EXPECT_EQ(block.chunkPending, 0) << c.what;
        EXPECT_EQ(registry.incomingCount(), 0u) << c.what;
        EXPECT_TRUE(receiver.bodies.empty()) << c.what;
    }
}

TEST_F(Mailbox, ChunksOutOfOrderOrOfAnotherLengthLoseTheMessage) {
    int32_t self = registry.ownPid();
    putChunk(self, 5, 0, 2, 3000, 1024);
    turn();
    EXPECT_EQ(registry.incomingCount(), 1u);
    putChunk(self, 5, 2, 2, 3000, 952);  // chunk 1 was lost
    turn();
    EXPECT_EQ(registry.incomingCount(), 0u);

    putChunk(self, 6, 0, 2, 3000, 1024);
    turn();
    putChunk(self, 6, 1, 1, 2000, 976);  // the same message id claims another length
    turn();
    EXPECT_EQ(registry.incomingCount(), 0u);

    putChunk(self, 7, 1, 1, 2000, 976);  // no first chunk: nothing to add to
    turn();
    EXPECT_EQ(registry.incomingCount(), 0u);
    EXPECT_TRUE(receiver.bodies.empty());
}

TEST_F(Mailbox, PartialMessageOfAnEndedSenderIsFreed) {
    putChunk(kEndedPid, 9, 0, 1, 2000, 1024);
    turn();
    EXPECT_EQ(registry.incomingCount(), 0u);
    putChunk(registry.ownPid(), 10, 0, 1, 2000, 1024);
    turn();
    EXPECT_EQ(registry.incomingCount(), 1u);
}

// A mailbox that a live process is still filling (addressee 0) is left alone; one whose
// filler has ended is freed.
TEST_F(Mailbox, MailboxBeingFilledIsDroppedOnlyWhenItsFillerEnded) {
    block.chunkPending = 1;
    block.chunkTarget = 0;
    block.chunkSender = registry.ownPid();
    block.fillerStamp = platform::processStartStamp(registry.ownPid());
    turn();
    EXPECT_EQ(block.chunkPending, 1);
    block.chunkSender = kEndedPid;
    turn();
    EXPECT_EQ(block.chunkPending, 0);
}

// Between the watcher's look at a chunk for this process and its take, another watcher may
// drop the chunk and a sender put in its next one. The take must then leave the mailbox
// alone: neither a mixed chunk for this process nor the next chunk erased.
TEST_F(Mailbox, TakeRacedByADropLeavesTheNextChunkAlone) {
    const int32_t self = registry.ownPid();
    const struct {
        const char* what;
        int32_t nextTarget;  // addressee of the chunk put in during the race
    } cases[] = {
        {"next chunk for another instance", kEndedPid},
        {"next chunk for this process", 0},
    };
    for (const auto& c : cases) {
        int32_t nextTarget = c.nextTarget != 0 ? c.nextTarget : self;
        putChunk(self, 40, 0, 1, 2000, 1024);
        std::memset(block.chunkData, 'a', kChunkCapacity);
        registry.setTakeRaceHook([&] {
            block.chunkPending = 0;  // the drop
            putChunk(kEndedPid - 1, 41, 0, 0, 10, 10);
            block.chunkTarget = nextTarget;
            std::memset(block.chunkData, 'b', kChunkCapacity);
        });
        ++block.signalCount;
        registry.watcherTurn();
        registry.setTakeRaceHook(nullptr);
        EXPECT_EQ(block.chunkPending, 1) << c.what;
        EXPECT_EQ(block.chunkTarget, nextTarget) << c.what;
        EXPECT_EQ(block.chunkMessageId, 41) << c.what;
        EXPECT_EQ(block.chunkData[0], 'b') << c.what;
        EXPECT_EQ(registry.incomingCount(), 0u) << c.what;
        block.chunkPending = 0;
    }
    // The next chunk for this process is taken whole in the turn after.
    putChunk(kEndedPid - 1, 42, 0, 0, 10, 10);
    std::memcpy(block.chunkData, "\0\0\0\0abcdef", 10);
    turn();
    ASSERT_EQ(receiver.bodies.size(), 1u);
    EXPECT_EQ(receiver.bodies[0], std::vector<uint8_t>({0, 0, 0, 0, 'a', 'b', 'c', 'd', 'e', 'f'}));
    EXPECT_EQ(block.chunkPending, 0);
}

// A chunk whose addressee has ended or is no listed instance with the stamp it joined with
// is dropped at once, whatever its age; a send to such a process is not even queued.
TEST_F(Mailbox, ChunksForProcessesThatAreNoInstanceAreDropped) {
    const struct {
        const char* what;
        bool listed;
        uint32_t stamp;
    } cases[] = {
        {"ended, not listed", false, 0},
        {"ended, listed", true, 0},
        {"ended, listed with a stamp", true, 12345},
    };
    for (const auto& c : cases) {
        block.instanceCount = 1;
        if (c.listed) {
            block.instancePids[1] = kEndedPid;
            block.instanceStamps[1] = c.stamp;
            block.instanceCount = 2;
        }
        putChunk(registry.ownPid(), 50, 0, 0, 10, 10);
        block.chunkTarget = kEndedPid;
        turn();
        EXPECT_EQ(block.chunkPending, 0) << c.what;
        EXPECT_FALSE(registry.isListedInstance(kEndedPid)) << c.what;
        registry.enqueueMessage(kEndedPid, std::vector<uint8_t>(8));
        EXPECT_TRUE(registry.outgoingEmpty()) << c.what;
    }
    EXPECT_TRUE(registry.isListedInstance(registry.ownPid()));
}

// Complete messages wait in memory for delivery; past the backlog's bound the watcher takes
// no more chunks, which wait in the mailbox until deliveries have caught up. Nothing is lost.
TEST_F(Mailbox, FullBacklogLeavesChunksInTheMailbox) {
    const int32_t self = registry.ownPid();
    std::vector<uint8_t> big(kMaxDeliveryBacklog, 7);
    big[0] = big[1] = big[2] = big[3] = 0;
    registry.enqueueMessage(self, big);
    registry.enqueueMessage(self, std::vector<uint8_t>(4 + 3, 9));
    for (int i = 0; i < 70000 && !registry.outgoingEmpty(); ++i) {
        ++block.signalCount;
        registry.watcherTurn();
    }
    ++block.signalCount;
    registry.watcherTurn();
    EXPECT_EQ(registry.deliveryBacklog(), kMaxDeliveryBacklog);
    EXPECT_TRUE(receiver.bodies.empty());
    // The small message's chunk waits for this process.
    EXPECT_EQ(block.chunkPending, 1);
    EXPECT_EQ(block.chunkTarget, self);
    EXPECT_EQ(block.messageLength, 7);
    registry.deliverQueued();
    EXPECT_EQ(registry.deliveryBacklog(), 0u);
    turn();
    ASSERT_EQ(receiver.bodies.size(), 2u);
    EXPECT_EQ(receiver.bodies[0].size(), kMaxDeliveryBacklog);
    EXPECT_EQ(receiver.bodies[1], std::vector<uint8_t>(7, 9));
    EXPECT_EQ(block.chunkPending, 0);
}

}  // namespace
