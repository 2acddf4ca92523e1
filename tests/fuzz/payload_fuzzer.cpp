// The payload reader over whole file images: the ZIP end records that locate the payload
// mark and the text length before it. Every offset it takes comes from the bytes, so the
// harness checks that what it returns lies inside them (AddressSanitizer catches any read
// outside, as the input buffer has exactly the input's size). The same bytes are then read
// as an executable file, which the launcher reads in parts only: it must find the same mark
// and the same text as the reading of the whole image.
#include <cstdint>
#include <cstring>
#include <string>

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
    return 0;
}
