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
// Platforms: the lock is a named mutex on Windows and a robust mutex in the block on Linux;
// the mailbox objects of the first instance are kernel handles duplicated between processes
// on Windows and live in the block on Linux (platform/mailbox_sync.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "instances/shared_instance_block.h"
#include "platform/mailbox_sync.h"
#include "platform/process_identity.h"
#include "platform/shared_memory.h"

struct InstanceReceiver;

class InstanceRegistry {
  public:
    // registerInstance: builds the registry over block (null for a private one) and joins
    // it. lockName names the block's lock on Windows.
    InstanceRegistry(void* block, const char* lockName);
    InstanceRegistry(const InstanceRegistry&) = delete;
    InstanceRegistry& operator=(const InstanceRegistry&) = delete;
    ~InstanceRegistry();

    // Stops the registry at process end; the block itself is left as it is (the next
    // pruning in any process drops this one once it has ended).
    void shutdownRegistry();

    // The process runs, may be opened, and (when stamp is not 0) started at that stamp.
    static bool isProcessAlive(int32_t pid, uint32_t stamp = 0);

    // Keeps the first-instance role held by a live process (taking it over when its holder
    // has ended) and this process's mailbox objects valid.
    void ensureFirstInstance();
    // Compacts the list to the live instances other than the first.
    void pruneInstances();
    // Switches the "custom" single-instance mode on (once).
    void startCustomMode(InstanceReceiver& receiver);

    int32_t ownPid() const { return ownPid_; }
    bool isShared() const { return privateBlock_ == nullptr; }
    // firstInstancePid as the block holds it now.
    int32_t firstInstancePid() const;
    // The first instance followed by the listed ones, after refreshing the first-instance
    // role and pruning.
    std::vector<int32_t> instances();

    SharedInstanceBlock& block() { return *block_; }

  private:
    void ensureFirstInstanceLocked();
    void pruneLocked();
    void becomeFirstInstance();

    SharedInstanceBlock* block_;
    std::unique_ptr<SharedInstanceBlock> privateBlock_;
    int32_t ownPid_;
    uint32_t ownStamp_;
    int32_t knownFirstPid_ = 0;
    platform::ProcessWatch firstProcess_;
    platform::MailboxSync mailbox_;
    platform::SharedLock lock_;
    InstanceReceiver* receiver_ = nullptr;
    std::atomic<bool> running_{true};
};

// The registry of this process while it runs, for the natives; set by the entry.
extern InstanceRegistry* activeRegistry;
