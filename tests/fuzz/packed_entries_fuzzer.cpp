// The entries of the packed archive that the launcher unpacks itself (the runtime carried
// inside a program): whatever the image holds, walking its directory and streaming every
// entry reads nothing outside the image, and no entry hands its sink more bytes than its
// directory declares (a deflate bomb stops there).
#include <cstdint>

#include "format/byte_source.h"
#include "fuzz_support.h"
#include "runtime/packed_entries.h"

namespace {

class CountingSink : public PackedEntrySink {
  public:
    bool consume(const unsigned char*, int32_t length) override {
        seen += length;
        return true;
    }
    int64_t seen = 0;
};

struct Walk {
    const PackedArchive* archive = nullptr;
    int entries = 0;
};

bool readEach(void* context, TextView, const PackedEntry& entry) {
    auto* walk = static_cast<Walk*>(context);
    CountingSink sink;
    PackedEntryStatus status = walk->archive->read(entry, sink);
    if (sink.seen > entry.size && entry.size >= 0) {
        fuzz::fail("an entry gave its sink more than its declared size");
    }
    if (status == PackedEntryStatus::Read && sink.seen != entry.size) {
        fuzz::fail("an entry read whole with another size than declared");
    }
    // Enough entries for any seed; a directory of thousands of tiny entries adds nothing.
    return ++walk->entries < 64;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemorySource source(data, static_cast<int64_t>(size));
    PackedArchive archive;
    if (!archive.open(source)) {
        return 0;
    }
    Walk walk;
    walk.archive = &archive;
    (void)archive.forEachEntry(TextView(""), readEach, &walk);
    return 0;
}
