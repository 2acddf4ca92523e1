// The mailbox reader over chunks that another process wrote. The input is a run of chunks
// separated by "\n--\n"; each gives the block's mailbox fields (sender, ids, indexes,
// lengths) and the chunk's bytes, and is taken as a chunk addressed to this process. Partly
// received messages carry over from chunk to chunk (and from input to input, as in a long
// running instance). A message that comes out complete has exactly its announced length,
// within the limit, from the sender the last chunk named; the mailbox is free after each take.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"
#include "instances/instance_registry.h"
#include "instances/shared_instance_block.h"

namespace {

SharedInstanceBlock* block = nullptr;
InstanceRegistry* registry = nullptr;

// The mailbox fields and the chunk's bytes.
constexpr size_t kMailboxSize = offsetof(SharedInstanceBlock, instanceCount);

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    block = new SharedInstanceBlock();
    registry = new InstanceRegistry(block, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputParts parts(data, size);
    while (!parts.done()) {
        std::string_view chunk = parts.next();
        size_t n = chunk.size() < kMailboxSize ? chunk.size() : kMailboxSize;
        auto* bytes = reinterpret_cast<uint8_t*>(block);
        std::memcpy(bytes, chunk.data(), n);
        std::memset(bytes + n, 0, kMailboxSize - n);
        storeShared(block->chunkTarget, registry->ownPid());
        storeShared(block->chunkPending, 1);
        int32_t sender = loadShared(block->chunkSender);
        int32_t length = loadShared(block->messageLength);

        IncomingMessage complete;
        if (registry->takeChunk(loadShared(block->chunkSequence), complete)) {
            if (complete.body.size() != static_cast<size_t>(length) || length > kMaxMessageLength ||
                complete.messageLength != length || complete.sender != sender) {
                fuzz::fail("a complete message that does not match its chunks");
            }
        }
        if (loadShared(block->chunkPending) != 0) {
            fuzz::fail("the mailbox stays taken after its chunk was read");
        }
    }
    return 0;
}
