#include "format/payload_tail.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/payload_builder.h"

namespace {

// A source over bytes in memory that records the lowest offset read, as a file reader would see
// it; the first 64 bytes (the DOS header, which names a signed image's certificate table) do
// not count.
class RecordingSource : public ByteSource {
  public:
    explicit RecordingSource(const std::string& bytes) : bytes_(bytes) {}
    int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
    bool read(int64_t offset, int32_t length, unsigned char* out) const override {
        if (offset + length > 64) {
            lowest_ = offset < lowest_ ? offset : lowest_;
        }
        return MemorySource(reinterpret_cast<const unsigned char*>(bytes_.data()), size())
            .read(offset, length, out);
    }
    int64_t lowestRead() const { return lowest_; }

  private:
    const std::string& bytes_;
    mutable int64_t lowest_ = INT64_MAX;
};

TEST(PayloadTail, ReadsOnlyTheTailOfALargeStub) {
    CraftedExecutable exe;
    exe.config = "mainclass Main";
    exe.stub = std::string(1 << 20, 's');  // not a PE image: no certificate table to look for
    exe.entries = {{"Main.class", "cafe"}};
    std::string file = exe.bytes();
    RecordingSource source(file);
    ArchiveDirectory directory;
    int64_t mark = locatePayloadMark(source, directory);
    int64_t expected = static_cast<int64_t>(exe.stub.size() + payloadTextBytes(exe).size() +
                                            kPayloadLengthFieldSize);
    ASSERT_EQ(mark, expected);
    EXPECT_GT(directory.offset, mark);
    EXPECT_EQ(directory.base, mark + kPayloadReservedSize);
    EXPECT_GE(source.lowestRead(), static_cast<int64_t>(exe.stub.size()) - 64 * 1024)
        << "nothing far before the payload is read";
    EXPECT_EQ(embeddedTextLengthAt(source, mark),
              static_cast<int32_t>(payloadTextBytes(exe).size()));
}

TEST(PayloadTail, TextLengthFieldIsCheckedAgainstTheImage) {
    // stub, then a length field, then the 16 reserved bytes
    struct Case {
        const char* what;
        std::string before;
        uint32_t field;
        int64_t mark;  // -1: just past the field
        int32_t expected;
    } cases[] = {
        {"whole text", "abcdef", 6, -1, 6},
        {"part of what lies before", "abcdef", 2, -1, 2},
        {"longer than what lies before", "abcdef", 7, -1, -1},
        {"zero", "abcdef", 0, -1, -1},
        {"negative as a signed number", "abcdef", 0x80000000u, -1, -1},
        {"mark before a whole field", "ab", 1, 3, -1},
        {"mark outside the image", "ab", 1, 1000, -1},
        {"no mark", "ab", 1, -2, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string image = c.before;
        appendLittleEndian32(image, c.field);
        image += std::string(kPayloadReservedSize, '\0');
        int64_t mark = c.mark == -1   ? static_cast<int64_t>(c.before.size()) + 4
                       : c.mark == -2 ? -1
                                      : c.mark;
        const auto* bytes = reinterpret_cast<const unsigned char*>(image.data());
        auto size = static_cast<int64_t>(image.size());
        EXPECT_EQ(embeddedTextLengthAt(MemorySource(bytes, size), mark), c.expected);
        TextView text;
        EXPECT_EQ(embeddedTextAt(bytes, size, mark, text), c.expected > 0);
        EXPECT_EQ(text.length, c.expected > 0 ? c.expected : 0);
    }
}

}  // namespace
