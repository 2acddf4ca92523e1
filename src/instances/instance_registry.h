// The registry of the running instances of one application, as one process holds it.
//
// Every launcher process builds exactly one registry over the shared block (see
// shared_instance_block.h) and joins it: the first process to find the block empty becomes
// the first instance, every later one is listed behind it (250 places; a process that finds
// the list full runs unlisted). Joining, pruning and the take-over of the first-instance role
// run under a lock shared by all instances, so that processes starting at once leave one
// consistent list and exactly one first instance. A process counts as alive only when it
// runs and its start-time stamp matches the one recorded when it joined, so an id that the
// system gave to an unrelated process is not taken for an instance.
//
// When there is no shared block (it could not be made or is not the user's own), the
// registry works over a private block: the process sees itself as the only instance and no
// other sees it.
//
// In the "custom" mode a watcher thread moves messages between instances: the objects that
// the Java application sends are queued here, travel in chunks of 1024 bytes through the
// block's one mailbox, and are reassembled in the addressee. The addressee's watcher takes
// every chunk for it as soon as it is there and keeps complete messages in memory (up to
// kMaxDeliveryBacklog bytes; past that the chunks wait in the mailbox and the senders with
// them); a delivery thread of its own hands them to the InstanceReceiver in order, so a slow
// or blocking receiver never holds the mailbox for the others. A chunk is dropped only when
// its addressee is not (or no longer) a running listed instance, or has taken nothing for
// kStuckChunkMs while the chunk waited; each drop is traced. Every field read from the
// mailbox is checked, since any instance may write it: a chunk whose lengths or indexes do
// not fit together is dropped with its message, and no message grows beyond
// kMaxMessageLength. The take of a chunk, a drop and the claim of the mailbox all run under
// the mailbox mutex, so none of them sees another's half-done work.
//
// A process that exists but cannot be opened (an elevated instance seen from a normal one)
// counts as alive, so that it keeps its role, its place in the list and its messages.
//
// Platforms: the lock is this user's named mutex "<block key>.lock" on Windows and a robust
// mutex in the block on Linux; the mailbox objects are this user's named kernel objects on
// Windows, which every instance opens itself, and live in the block on Linux
// (platform/mailbox_sync.h).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "instances/shared_instance_block.h"
#include "platform/mailbox_sync.h"
#include "platform/process_identity.h"
#include "platform/shared_memory.h"
#include "platform/sync.h"

class InstanceReceiver;

// The longest message body that is sent or accepted.
constexpr int32_t kMaxMessageLength = 256 * 1024 * 1024;
// Complete messages kept for delivery beyond which the watcher takes no more chunks.
constexpr size_t kMaxDeliveryBacklog = 64 * 1024 * 1024;
// How long a chunk waits for a listed, running addressee that takes nothing (a frozen
// process) before it is dropped.
constexpr int64_t kStuckChunkMs = 30000;

// One queued message of this process.
struct OutgoingMessage {
    int32_t target = 0;
    std::vector<uint8_t> body;
    int32_t offset = 0;  // bytes already placed in the mailbox
    int32_t messageId = 0;
};

// One partly received message.
struct IncomingMessage {
    int32_t messageId = 0;
    int32_t sender = 0;
    uint32_t senderStamp = 0;
    int32_t chunksReceived = 0;
    int32_t messageLength = 0;
    std::vector<uint8_t> body;
    int64_t lastGrowthMs = 0;
};

class InstanceRegistry {
  public:
    // registerInstance: builds the registry over block (null for a private one) and joins
    // it. blockKey is the block's name (instance_block.h), after which the lock and the
    // mailbox objects are named.
    InstanceRegistry(void* block, const char* blockKey);
    InstanceRegistry(const InstanceRegistry&) = delete;
    InstanceRegistry& operator=(const InstanceRegistry&) = delete;
    ~InstanceRegistry();

    // Stops the registry at process end: clears the running flag and waits (bounded) for the
    // watcher and delivery threads to finish their turn, then closes this process's objects
    // of the registry. The block itself is left as it is (the next pruning in any process
    // drops this one once it has ended). True when nothing of this process uses the block any
    // more; false when a delivery is still busy (in the application's onReceive), which then
    // keeps the objects and the block.
    bool shutdownRegistry();
    // Only the first half, for a process that exits now: the threads are stopped (bounded
    // wait), but no object is closed, since a thread still in native code may be using one.
    // Takes no lock. True when both threads have stopped.
    bool stopRegistry();

    // The process is alive (platform::isProcessAlive) and, when stamp and its own stamp can
    // both be had, started at that stamp.
    static bool isProcessAlive(int32_t pid, uint32_t stamp = 0);

    // Keeps the first-instance role held by a live process (taking it over when its holder
    // has ended) and this process's mailbox objects valid.
    void ensureFirstInstance();
    // Compacts the list to the live instances other than the first.
    void pruneInstances();
    // Switches the "custom" single-instance mode on (once): hands over the receiver and
    // starts the watcher and delivery threads.
    void startCustomMode(InstanceReceiver& receiver);
    // The receiver that complete messages go to (startCustomMode hands it over).
    void attachReceiver(InstanceReceiver& receiver) { receiver_ = &receiver; }

    // Queues a message body for target and wakes the watcher; a target that is not a
    // running listed instance gets nothing (traced).
    void enqueueMessage(int32_t target, std::vector<uint8_t> body);
    // pid is the first instance or a listed one, running with the stamp it joined with.
    bool isListedInstance(int32_t pid);
    bool outgoingEmpty();
    void pulseSignal();
    // Waits for a change of the mailbox unless one has happened since the last look.
    void waitForSignal();
    // Under the mailbox mutex, takes the chunk numbered sequence addressed to this process
    // from the mailbox (which is free afterwards); a mailbox that holds anything else by
    // then is left alone. True with the message in complete when the chunk finished one.
    bool takeChunk(int32_t sequence, IncomingMessage& complete);
    // One turn of the watcher: wait, keep the first-instance role, take or pass on the
    // mailbox's chunk, send the next own chunk, queue a complete message for delivery.
    void watcherTurn();
    // Hands every message queued for delivery to the receiver, in order, on the calling
    // thread (the delivery thread's work; tests call it directly).
    void deliverQueued();
    // Bytes of complete messages waiting for (or in) delivery.
    size_t deliveryBacklog();
    // Runs between the watcher's look at a chunk for this process and its take, so that a
    // test can change the mailbox exactly there.
    void setTakeRaceHook(std::function<void()> hook) { takeRaceHook_ = std::move(hook); }
    // The number of partly received messages.
    size_t incomingCount() const { return incoming_.size(); }

    int32_t ownPid() const { return ownPid_; }
    bool isShared() const { return privateBlock_ == nullptr; }
    // firstInstancePid as the block holds it now.
    int32_t firstInstancePid() const;
    // The first instance followed by the listed ones, after refreshing the first-instance
    // role and pruning.
    std::vector<int32_t> instances();

    SharedInstanceBlock& block() { return *block_; }

  private:
    static unsigned WYN_THREAD_CALL watcherThread(void* registry);
    static unsigned WYN_THREAD_CALL deliveryThread(void* registry);
    bool threadsStopped() const;
    void queueDelivery(IncomingMessage message);
    // Delivers the oldest queued message; false when none was queued.
    bool deliverOne();
    // Why the chunk to target may be dropped, or null while it should wait.
    const char* dropReason(int32_t target, int32_t sequence);
    void ensureFirstInstanceLocked();
    bool claimMailbox();
    void writeChunk();
    // Frees the mailbox of the chunk seen waiting with these fields, unless it has changed
    // since; true when it was freed.
    bool dropChunk(int32_t target, int32_t sender, int32_t sequence);
    void dropIncoming(int32_t messageId, int32_t sender);
    void forgetStaleIncoming();
    bool waitedTooLong(int32_t sequence);
    void pruneLocked();
    void becomeFirstInstance();

    SharedInstanceBlock* block_;
    std::unique_ptr<SharedInstanceBlock> privateBlock_;
    int32_t ownPid_;
    uint32_t ownStamp_;
    std::atomic<int32_t> knownFirstPid_{0};
    platform::ProcessWatch firstProcess_;
    platform::MailboxSync mailbox_;
    platform::SharedLock lock_;
    InstanceReceiver* receiver_ = nullptr;
    std::atomic<bool> running_{true};
    bool closed_ = false;
    std::atomic<bool> watcherRunning_{false};
    std::atomic<bool> deliveryRunning_{false};
    std::mutex deliveryLock_;
    std::condition_variable deliveryReady_;
    std::deque<IncomingMessage> deliveries_;
    size_t deliveryBytes_ = 0;
    std::function<void()> takeRaceHook_;
    std::mutex queueLock_;
    std::deque<std::unique_ptr<OutgoingMessage>> outgoing_;
    std::vector<IncomingMessage> incoming_;
    int32_t lastSignalCount_ = 0;
    // The watcher's own handle on the first instance, which only the watcher thread touches.
    platform::ProcessWatch watchedFirst_;
    int32_t watchedPid_ = 0;
    int64_t lastStaleCheckMs_ = 0;
    int64_t waitingSequence_ = -1;  // the sequence of the chunk seen waiting, -1: none
    int64_t waitingSinceMs_ = 0;
};

// The registry of this process while it runs, for the natives; set by the entry.
extern InstanceRegistry* activeRegistry;
