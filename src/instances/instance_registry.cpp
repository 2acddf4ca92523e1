// The instance registry: joining, the first-instance role, pruning, shutdown.
#include "instances/instance_registry.h"

#include "base/trace.h"
#include "instances/instance_receiver.h"
#include "platform/sync.h"

InstanceRegistry* activeRegistry = nullptr;

namespace {

// How long shutdown waits for the watcher and delivery threads to finish their turn.
constexpr int kWatcherStopMs = 1000;

// The list length to trust: a count outside 0..250 written by a faulty or hostile process
// names no entries.
int32_t trustedCount(int32_t count) {
    return count >= 0 && count <= kMaxListedInstances ? count : 0;
}

}  // namespace

InstanceRegistry::InstanceRegistry(void* block, const char* blockKey)
    : block_(static_cast<SharedInstanceBlock*>(block)),
      ownPid_(platform::currentProcessId()),
      ownStamp_(platform::processStartStamp(ownPid_)) {
    if (block_ == nullptr) {
        privateBlock_.reset(new SharedInstanceBlock());
        block_ = privateBlock_.get();
        blockKey = nullptr;
    }
    TextString lockKey = blockKey != nullptr ? TextString::concat(blockKey, ".lock") : TextString();
    lock_.open(blockKey != nullptr ? lockKey.c_str() : nullptr, block_->registryLock);
    mailbox_.bind(blockKey, ownPid_, block_->mailboxLock, &block_->signalCount);

    platform::SharedLockGuard guard(lock_);
    ensureFirstInstanceLocked();
    pruneLocked();
    int32_t count = loadShared(block_->instanceCount);
    if (count < kMaxListedInstances) {
        block_->instancePids[count] = ownPid_;
        block_->instanceStamps[count] = ownStamp_;
        storeShared(block_->instanceCount, count + 1);
        trace("instances: joined as %d (first %d, %d listed)", ownPid_,
              loadShared(block_->firstInstancePid), count + 1);
    } else {
        trace("instances: the list is full, %d runs unlisted", ownPid_);
    }
}

InstanceRegistry::~InstanceRegistry() {
    shutdownRegistry();
}

bool InstanceRegistry::threadsStopped() const {
    return !watcherRunning_.load() && !deliveryRunning_.load();
}

bool InstanceRegistry::stopRegistry() {
    if (running_.exchange(false)) {
        // Wakes both threads so that they see the flag, and lets them finish their turn.
        pulseSignal();
        { std::lock_guard<std::mutex> guard(deliveryLock_); }
        deliveryReady_.notify_all();
        for (int waited = 0; !threadsStopped() && waited < kWatcherStopMs; waited += 10) {
            platform::sleepMilliseconds(10);
        }
    }
    return threadsStopped();
}

bool InstanceRegistry::shutdownRegistry() {
    // A delivery still busy (in the application's onReceive) keeps the objects it uses, and
    // the block: the process is ending.
    if (!stopRegistry() || closed_) {
        return threadsStopped();
    }
    closed_ = true;
    mailbox_.close();
    firstProcess_.close();
    watchedFirst_.close();
    lock_.close();
    return true;
}

bool InstanceRegistry::isProcessAlive(int32_t pid, uint32_t stamp) {
    if (!platform::isProcessAlive(pid)) {
        return false;
    }
    if (stamp == 0) {
        return true;
    }
    uint32_t actual = platform::processStartStamp(pid);
    return actual == 0 || actual == stamp;
}

void InstanceRegistry::ensureFirstInstance() {
    platform::SharedLockGuard guard(lock_);
    ensureFirstInstanceLocked();
}

void InstanceRegistry::pruneInstances() {
    platform::SharedLockGuard guard(lock_);
    pruneLocked();
}

void InstanceRegistry::startCustomMode(InstanceReceiver& receiver) {
    if (receiver.customModeActive.load() != 0) {
        return;
    }
    attachReceiver(receiver);
    deliveryRunning_.store(true);
    if (!platform::startDetachedThread(deliveryThread, this)) {
        deliveryRunning_.store(false);
        trace("instances: no delivery thread, messages cannot be sent or received");
        return;
    }
    watcherRunning_.store(true);
    if (!platform::startDetachedThread(watcherThread, this)) {
        watcherRunning_.store(false);
        trace("instances: no watcher thread, messages cannot be sent or received");
    }
    receiver.customModeActive.store(1);
    trace("instances: custom mode");
}

int32_t InstanceRegistry::firstInstancePid() const {
    return loadShared(block_->firstInstancePid);
}

std::vector<int32_t> InstanceRegistry::instances() {
    platform::SharedLockGuard guard(lock_);
    ensureFirstInstanceLocked();
    pruneLocked();
    std::vector<int32_t> pids;
    pids.push_back(loadShared(block_->firstInstancePid));
    int32_t count = trustedCount(loadShared(block_->instanceCount));
    for (int32_t i = 0; i < count; ++i) {
        pids.push_back(block_->instancePids[i]);
    }
    return pids;
}

void InstanceRegistry::becomeFirstInstance() {
    block_->firstInstanceStamp = ownStamp_;
    // The mailbox objects are named, not handed on: the old handle fields stay empty.
    storeShared(block_->mutexHandle, 0);
    storeShared(block_->eventHandle, 0);
    storeShared(block_->firstInstancePid, ownPid_);
    knownFirstPid_ = ownPid_;
    firstProcess_.close();
}

void InstanceRegistry::ensureFirstInstanceLocked() {
    int32_t first = loadShared(block_->firstInstancePid);
    uint32_t firstStamp = block_->firstInstanceStamp;
    if (first == 0) {
        trace("instances: %d is the first instance", ownPid_);
        becomeFirstInstance();
        return;
    }
    if (first == ownPid_) {
        // The same id with another stamp was an earlier process that had this id: its
        // handles are gone, so this process takes the role over properly.
        if (firstStamp != ownStamp_) {
            becomeFirstInstance();
        }
        return;
    }
    if (first == knownFirstPid_ && firstProcess_.stillActive()) {
        return;
    }
    if (isProcessAlive(first, firstStamp)) {
        if (knownFirstPid_ == first) {
            return;
        }
        knownFirstPid_ = first;
        firstProcess_.open(first);
        return;
    }
    trace("instances: first instance %d has ended, %d takes over", first, ownPid_);
    becomeFirstInstance();
}

void InstanceRegistry::pruneLocked() {
    int32_t first = loadShared(block_->firstInstancePid);
    int32_t count = trustedCount(loadShared(block_->instanceCount));
    int32_t kept = 0;
    for (int32_t i = 0; i < count; ++i) {
        int32_t pid = block_->instancePids[i];
        uint32_t stamp = block_->instanceStamps[i];
        if (pid != first && isProcessAlive(pid, stamp)) {
            block_->instancePids[kept] = pid;
            block_->instanceStamps[kept] = stamp;
            ++kept;
        }
    }
    storeShared(block_->instanceCount, kept);
}
