// The layout of the block that all instances of one application share: who came first, the
// list of the others, and the one-chunk mailbox for messages between them.
//
// It is a shared-memory format, the same on every target: 32-bit little-endian fields at
// fixed offsets, 4096 bytes in all. The first 2096 bytes are the registry and mailbox fields
// that every instance reads; the tail behind them holds what keeps those fields sound: a
// start-time stamp for the first instance and for each listed process (so that a reused
// process id is not taken for a live instance) and, on Linux, the two cross-process mutexes.
//
// Any process of the application may write the block, so every count, index and length read
// from it is checked before use (see instance_registry.cpp and the mailbox code).
//
// The block is one user's object whose name carries the protocol version
// (platform/object_names.h), so only processes of this layout meet in it. One change against
// the block as first laid out: the mailbox mutex and signal are named objects that every
// instance opens itself (platform/mailbox_sync.h), no longer handles of the first instance to
// be duplicated, so mutexHandle and eventHandle stay in their places but are always 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/shared_memory.h"

constexpr int32_t kMaxListedInstances = 250;
constexpr int32_t kChunkCapacity = 1024;

struct SharedInstanceBlock {
    int32_t firstInstancePid;   // 0 until the first process joins
    int32_t nextMessageId;      // id of the next message a sender starts
    int32_t nextChunkSequence;  // sequence number of the next chunk written
    int32_t mutexHandle;        // unused, 0 (the mailbox mutex is a named object)
    int32_t eventHandle;        // unused, 0 (the signal is a named object)
    int32_t signalCount;        // incremented after every pulse of the signal
    int32_t chunkSender;        // sender of the chunk in the mailbox
    int32_t chunkTarget;        // addressee of that chunk; 0 while a sender fills the mailbox
    int32_t chunkSequence;      // that chunk's sequence number
    int32_t chunkPending;       // 1 while the mailbox holds a chunk not yet taken
    int32_t pendingWakeups;     // unused, 0 (chunks are no longer dropped by a wake-up count)
    int32_t chunkMessageId;     // message id of the chunk
    int32_t chunkIndex;         // index of the chunk within its message, from 0
    int32_t lastChunkIndex;     // index of the message's last chunk
    int32_t chunkSize;          // always 1024
    int32_t messageLength;      // length of the whole message
    int32_t chunkLength;        // bytes of this chunk in chunkData
    uint8_t chunkData[kChunkCapacity];
    int32_t instanceCount;  // valid entries of instancePids
    int32_t instancePids[kMaxListedInstances];

    // The tail, behind the fields above.
    uint32_t firstInstanceStamp;  // start-time stamp of firstInstancePid
    uint32_t fillerStamp;         // start-time stamp of the process filling the mailbox
    uint32_t instanceStamps[kMaxListedInstances];  // stamps of instancePids, index by index
    alignas(8) uint8_t registryLock[platform::kSharedLockStorage];  // Linux only
    uint8_t mailboxLock[platform::kSharedLockStorage];              // Linux only
    uint8_t unused[platform::kSharedBlockSize - 3232];
};

static_assert(offsetof(SharedInstanceBlock, signalCount) == 20, "layout");
static_assert(offsetof(SharedInstanceBlock, chunkPending) == 36, "layout");
static_assert(offsetof(SharedInstanceBlock, chunkLength) == 64, "layout");
static_assert(offsetof(SharedInstanceBlock, chunkData) == 68, "layout");
static_assert(offsetof(SharedInstanceBlock, instanceCount) == 1092, "layout");
static_assert(offsetof(SharedInstanceBlock, instancePids) == 1096, "layout");
static_assert(offsetof(SharedInstanceBlock, firstInstanceStamp) == 2096, "layout");
static_assert(offsetof(SharedInstanceBlock, instanceStamps) == 2104, "layout");
static_assert(offsetof(SharedInstanceBlock, registryLock) == 3104, "layout");
static_assert(offsetof(SharedInstanceBlock, mailboxLock) == 3168, "layout");
static_assert(sizeof(SharedInstanceBlock) == platform::kSharedBlockSize, "layout");

// Reads and writes of one field that other processes may change at the same moment.
template <typename T>
T loadShared(const T& field) {
    return __atomic_load_n(&field, __ATOMIC_ACQUIRE);
}
template <typename T>
void storeShared(T& field, T value) {
    __atomic_store_n(&field, value, __ATOMIC_RELEASE);
}
