// The command-line splitter, in place over a copy of the input. Entries must lie inside the
// text, each mark must be 0, 1 or -1 and there must be one per entry, and no entry may hold a
// blank unless quotes were involved.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/command_line.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    bool hasQuote = std::memchr(data, '"', size) != nullptr;

    ItemArray<char*> entries;
    ItemArray<int32_t> marks;
    int count = splitCommandLine(text.data(), entries, &marks);
    if (count != entries.length() || marks.length() != entries.length()) {
        fuzz::fail("entry and mark counts disagree");
    }
    for (int32_t i = 0; i < entries.length(); ++i) {
        const char* entry = entries[i];
        if (entry < begin || entry >= end || std::memchr(entry, '\0', end - entry) == nullptr) {
            fuzz::fail("entry outside the text");
        }
        if (marks[i] < -1 || marks[i] > 1) {
            fuzz::fail("mark out of range");
        }
        if (!hasQuote && (std::strpbrk(entry, " \t") != nullptr || *entry == '\0')) {
            fuzz::fail("unquoted entry holds a blank or is empty");
        }
    }

    // Without marks, and appending behind earlier entries, the same entries come out.
    std::vector<char> again(data, data + size);
    again.push_back('\0');
    ItemArray<char*> more;
    more.append(nullptr);
    if (splitCommandLine(again.data(), more, nullptr) != count + 1) {
        fuzz::fail("a second split gives another count");
    }
    for (int32_t i = 0; i < entries.length(); ++i) {
        if (std::strcmp(entries[i], more[i + 1]) != 0) {
            fuzz::fail("a second split gives other entries");
        }
    }
    return 0;
}
