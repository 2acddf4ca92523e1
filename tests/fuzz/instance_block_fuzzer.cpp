// The instance registry over block contents that another process wrote: the first-instance
// pid and stamp, the list count, the listed pids and their stamps, and the mailbox fields
// beside them, all taken from the input (the two lock storages are left alone: they are the
// kernel's objects, not data the registry reads). One registry joins the block at start, as a
// launcher does, and each input then overwrites the block under it. After every lookup the
// first instance is this process or a live one, and the list holds at most 250 live
// processes other than the first.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "instances/instance_registry.h"
#include "instances/shared_instance_block.h"
#include "platform/process_identity.h"

namespace {

SharedInstanceBlock* block = nullptr;
InstanceRegistry* registry = nullptr;

// The fields that any instance may write: everything before the lock storages.
constexpr size_t kWritableSize = offsetof(SharedInstanceBlock, registryLock);

void checkList(const std::vector<int32_t>& pids) {
    int32_t first = registry->firstInstancePid();
    if (pids.empty() || pids[0] != first) {
        fuzz::fail("the list does not begin with the first instance");
    }
    if (first != registry->ownPid() && !platform::isProcessAlive(first)) {
        fuzz::fail("the first instance is not alive");
    }
    int32_t count = loadShared(block->instanceCount);
    if (count < 0 || count > kMaxListedInstances || pids.size() != static_cast<size_t>(count) + 1) {
        fuzz::fail("the list count does not match the list");
    }
    for (size_t i = 1; i < pids.size(); ++i) {
        if (pids[i] == first || !platform::isProcessAlive(pids[i])) {
            fuzz::fail("the list holds the first instance or a process that is not alive");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    block = new SharedInstanceBlock();
    registry = new InstanceRegistry(block, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t n = size < kWritableSize ? size : kWritableSize;
    auto* bytes = reinterpret_cast<uint8_t*>(block);
    std::memcpy(bytes, data, n);
    std::memset(bytes + n, 0, kWritableSize - n);

    checkList(registry->instances());
    registry->pruneInstances();
    registry->ensureFirstInstance();
    checkList(registry->instances());
    return 0;
}
