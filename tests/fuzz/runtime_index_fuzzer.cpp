// The index of a runtime carried inside the executable. Whatever the parser accepts holds only
// safe paths, sorted and apart ignoring case, within the limits; and what the writer makes of
// it parses again to the same index text.
#include <cstdint>
#include <cstring>

#include "format/runtime_index.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > static_cast<size_t>(kMaxRuntimeIndexBytes) + 1) {
        return 0;
    }
    TextView text(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
    RuntimeIndex index;
    TextString problem;
    if (!parseRuntimeIndex(text, index, problem)) {
        if (problem.length() == 0) {
            fuzz::fail("an index refused without a reason");
        }
        return 0;
    }
    if (index.files.empty() || index.files.size() > static_cast<size_t>(kMaxRuntimeFiles)) {
        fuzz::fail("a file count outside the limits");
    }
    for (const RuntimeFile& file : index.files) {
        if (!isSafeRuntimePath(file.path) || file.size < 0 || file.size > kMaxRuntimeFileSize ||
            file.mode < 0 || file.mode > 07777) {
            fuzz::fail("an accepted file breaks the rules");
        }
    }
    TextString written = writeRuntimeIndex(index);
    RuntimeIndex again;
    if (!parseRuntimeIndex(written, again, problem)) {
        fuzz::fail("the writer's text is refused");
    }
    TextString rewritten = writeRuntimeIndex(again);
    if (rewritten.length() != written.length() ||
        std::memcmp(rewritten.c_str(), written.c_str(), static_cast<size_t>(written.length())) !=
            0) {
        fuzz::fail("the index changes on a second round trip");
    }
    if (runtimeContentKey(written).length() != 32) {
        fuzz::fail("a content key of the wrong length");
    }
    return 0;
}
