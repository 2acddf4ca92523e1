// The payload reader over whole file images: the ZIP end records that locate the payload
// mark and the text length before it. Every offset it takes comes from the bytes, so the
// harness checks that what it returns lies inside them (AddressSanitizer catches any read
// outside, as the input buffer has exactly the input's size). The same bytes are then read
// as an executable file, which the launcher reads in parts only: it must find the same mark
// and the same text as the reading of the whole image. Last, the splash image is looked up as
// a stored entry of the archive, from the image and from the file: both must agree, and an
// entry found must be bytes of the input.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "config/archive_entry.h"
#include "config/payload.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto length = static_cast<int64_t>(size);
    int64_t mark = locatePayloadMark(data, length);
    if (mark != -1 && (mark < 4 || mark + kPayloadReservedSize > length)) {
        fuzz::fail("payload mark outside the file");
    }
    TextView text;
    bool found = embeddedTextAt(data, length, mark, text);
    if (found != (text.length > 0)) {
        fuzz::fail("embedded text found but empty, or empty but found");
    }
    if (found) {
        auto* first = reinterpret_cast<const uint8_t*>(text.data);
        if (first < data || first + text.length + 4 > data + mark) {
            fuzz::fail("embedded text outside the bytes before the mark");
        }
    }

    const std::string executable = fuzz::scratchDirectory() + "/app";
    fuzz::writeFile(executable, std::string_view(reinterpret_cast<const char*>(data), size));
    TextString fromFile;
    int64_t markFromFile = -1;
    bool readFromFile = readEmbeddedText(executable.c_str(), fromFile, markFromFile);
    bool expected = found && text.length <= kMaxEmbeddedTextSize;
    if (markFromFile != mark || readFromFile != expected ||
        (expected &&
         (fromFile.length() != text.length ||
          std::memcmp(fromFile.c_str(), text.data, static_cast<size_t>(text.length)) != 0))) {
        fuzz::fail("reading the file in parts disagrees with reading the whole image");
    }

    const TextView name("images/splash.png");
    ByteBuffer entry;
    ArchiveEntryStatus status = readStoredEntry(data, length, name, entry);
    ByteBuffer entryFromFile;
    ArchiveEntryStatus statusFromFile = readStoredEntry(executable.c_str(), name, entryFromFile);
    if (status != statusFromFile || entry.length() != entryFromFile.length() ||
        (entry.length() > 0 && std::memcmp(entry.data(), entryFromFile.data(),
                                           static_cast<size_t>(entry.length())) != 0)) {
        fuzz::fail("the archive entry read from the file disagrees with the whole image");
    }
    if (status != ArchiveEntryStatus::Found && entry.length() != 0) {
        fuzz::fail("bytes kept for an entry that was not found");
    }
    if (status == ArchiveEntryStatus::Found && mark < 0) {
        fuzz::fail("an entry found in a file without payload mark");
    }
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (status == ArchiveEntryStatus::Found &&
        input.find(std::string_view(entry.data(), static_cast<size_t>(entry.length()))) ==
            std::string_view::npos) {
        fuzz::fail("entry bytes that are not in the input");
    }
    return 0;
}
