#include "format/payload_tail.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/payload_builder.h"

namespace {

const unsigned char* bytesOf(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

int64_t markOf(const std::string& file) {
    return locatePayloadMark(bytesOf(file), static_cast<int64_t>(file.size()));
}

// The mark that the layout fixes: just past the length field.
int64_t expectedMark(const CraftedExecutable& exe) {
    return static_cast<int64_t>(exe.stub.size() + payloadTextBytes(exe).size() + 4);
}

std::string embeddedText(const std::string& file) {
    TextView text;
    int64_t size = static_cast<int64_t>(file.size());
    if (!embeddedTextAt(bytesOf(file), size, markOf(file), text)) {
        return "<none>";
    }
    return std::string(text.data, text.length);
}

CraftedExecutable withConfig(const std::string& config) {
    CraftedExecutable exe;
    exe.config = config;
    return exe;
}

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

TEST(PayloadLocator, FindsTheMarkBeforeAnEmptyArchive) {
    CraftedExecutable exe = withConfig("mainclass Main\r\n");
    std::string file = exe.bytes();
    EXPECT_EQ(markOf(file), expectedMark(exe));
    EXPECT_EQ(embeddedText(file), std::string("\xEF\xBB\xBFmainclass Main\r\n", 19) + '\0');
}

TEST(PayloadLocator, FindsTheMarkBeforeAnArchiveWithEntries) {
    CraftedExecutable exe = withConfig("mainclass Main");
    exe.entries = {{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"},
                   {"Main.class", std::string(3000, 'x')}};
    EXPECT_EQ(markOf(exe.bytes()), expectedMark(exe));
}

TEST(PayloadLocator, ArchiveWhoseOffsetsCountFromTheFileStart) {
    CraftedExecutable exe = withConfig("mainclass Main");
    exe.entries = {{"a.txt", "alpha"}, {"b.txt", "beta"}};
    exe.offsetsFromFileStart = true;
    EXPECT_EQ(markOf(exe.bytes()), expectedMark(exe));
}

TEST(PayloadLocator, CommentsUpToTheLongestAllowed) {
    // Around the first 4 KiB that are read before the whole reach of a comment, too.
    for (size_t length : {size_t(1), size_t(1000), size_t(4073), size_t(4074), size_t(4075),
                          size_t(5000), size_t(65535)}) {
        CraftedExecutable exe = withConfig("k v");
        exe.entries = {{"x", "y"}};
        exe.zipComment = std::string(length, 'c');
        EXPECT_EQ(markOf(exe.bytes()), expectedMark(exe)) << "comment of " << length;
    }
}

TEST(PayloadLocator, EndRecordSignatureInsideTheComment) {
    CraftedExecutable exe = withConfig("k v");
    exe.entries = {{"x", "y"}};
    // A complete-looking end record inside the comment, pointing nowhere sensible.
    std::string fake("PK\x05\x06\0\0\0\0\x01\0\x01\0\x10\0\0\0\x99\0\0\0\0\0", 22);
    exe.zipComment = "before " + fake + " after";
    EXPECT_EQ(markOf(exe.bytes()), expectedMark(exe));
    // And one whose comment length reaches the end of the file exactly, with a central
    // directory that is not there.
    std::string tail("PK\x05\x06\0\0\0\0\x01\0\x01\0\x2e\0\0\0\0\0\0\0\0\0", 22);
    exe.zipComment = std::string(60, 'x') + tail;
    EXPECT_EQ(markOf(exe.bytes()), expectedMark(exe));
    // The same false record among the last bytes, the real one further back than them.
    exe.zipComment = std::string(6000, 'x') + tail;
    EXPECT_EQ(markOf(exe.bytes()), expectedMark(exe));
}

TEST(PayloadLocator, Zip64EndRecord) {
    CraftedExecutable exe = withConfig("mainclass Main");
    exe.entries = {{"Main.class", "cafebabe"}};
    exe.zip64 = true;
    EXPECT_EQ(markOf(exe.bytes()), expectedMark(exe));
    exe.zipComment = "zip64 with a comment";
    EXPECT_EQ(markOf(exe.bytes()), expectedMark(exe));
    EXPECT_EQ(embeddedText(exe.bytes()), std::string("\xEF\xBB\xBFmainclass Main", 17) + '\0');
}

TEST(PayloadLocator, Zip64FieldsWithoutTheZip64RecordAreNoArchive) {
    CraftedExecutable exe = withConfig("k v");
    exe.zip64 = true;
    std::string file = exe.bytes();
    // Break the locator's signature: the 0xFFFFFFFF fields can no longer be resolved.
    size_t locator = file.size() - 22 - 20;
    ASSERT_EQ(file.substr(locator, 4), "PK\x06\x07");
    file[locator] = 'X';
    EXPECT_EQ(markOf(file), -1);
}

TEST(PayloadLocator, NoArchiveAtAll) {
    std::string file = "MZ just an executable image without anything behind it";
    EXPECT_EQ(markOf(file), -1);
    EXPECT_EQ(markOf(""), -1);
    EXPECT_EQ(locatePayloadMark(nullptr, 100), -1);
    EXPECT_EQ(embeddedText(file), "<none>");
}

TEST(PayloadLocator, PlainZipWithoutRoomForALengthField) {
    CraftedExecutable exe;
    exe.entries = {{"x", "y"}};
    EXPECT_EQ(markOf(exe.archive(0)), -1);
}

TEST(PayloadLocator, TruncatedFilesAreHandled) {
    CraftedExecutable exe = withConfig("mainclass Main\r\noption -Xmx64m\r\n");
    exe.entries = {{"Main.class", std::string(200, 'z')}};
    std::string file = exe.bytes();
    // Every cut-off length: nothing is read outside the remaining bytes (ASan checks this),
    // and whatever is found lies inside them.
    for (size_t cut = 0; cut < file.size(); ++cut) {
        std::string part = file.substr(0, cut);
        int64_t mark = markOf(part);
        EXPECT_LE(mark, static_cast<int64_t>(cut));
        TextView text;
        if (embeddedTextAt(bytesOf(part), static_cast<int64_t>(cut), mark, text)) {
            EXPECT_GE(text.data, part.data());
            EXPECT_LE(text.data + text.length, part.data() + cut);
        }
    }
}

TEST(PayloadLocator, LengthFieldsThatDoNotFitGiveNoText) {
    CraftedExecutable exe = withConfig("mainclass Main");
    std::string file = exe.bytes();
    int64_t mark = markOf(file);
    ASSERT_GT(mark, 4);
    struct Case {
        uint32_t length;
        bool fits;
    } cases[] = {
        {0, false},
        {0x80000000u, false},  // negative
        {0xFFFFFFFFu, false},  // -1
        {0x7FFFFFFFu, false},  // huge
        {static_cast<uint32_t>(mark - 4 + 1), false},
        {static_cast<uint32_t>(mark - 4), true},  // the whole file before the field
        {5, true},
    };
    for (const Case& c : cases) {
        std::string changed = file;
        for (int i = 0; i < 4; ++i) {
            changed[static_cast<size_t>(mark - 4 + i)] = static_cast<char>(c.length >> (8 * i));
        }
        TextView text;
        bool found =
            embeddedTextAt(bytesOf(changed), static_cast<int64_t>(changed.size()), mark, text);
        EXPECT_EQ(found, c.fits) << "length " << c.length;
        if (found) {
            EXPECT_EQ(text.length, static_cast<int32_t>(c.length));
            EXPECT_EQ(text.data + text.length, changed.data() + mark - 4);
        } else {
            EXPECT_EQ(text.length, 0);
        }
    }
}

TEST(PayloadLocator, MarkOutsideTheFileGivesNoText) {
    std::string file = withConfig("k v").bytes();
    TextView text;
    int64_t size = static_cast<int64_t>(file.size());
    EXPECT_FALSE(embeddedTextAt(bytesOf(file), size, size + 1, text));
    EXPECT_FALSE(embeddedTextAt(bytesOf(file), size, 3, text));
    EXPECT_FALSE(embeddedTextAt(bytesOf(file), size, -1, text));
}

// A stub that is a PE image whose security directory names a certificate table, as a signing
// tool leaves it: the table behind the archive, after zero padding to an 8-byte boundary.
std::string signedFile(const std::string& unsignedFile, size_t padding, size_t tableSize,
                       char paddingByte = '\0') {
    std::string file = unsignedFile + std::string(padding, paddingByte);
    size_t table = file.size();
    file += std::string(tableSize, '\x30');
    size_t entry = 0x40 + 24 + 112 + 8 * 4;
    for (int i = 0; i < 4; ++i) {
        file[entry + static_cast<size_t>(i)] = static_cast<char>(table >> (8 * i));
        file[entry + 4 + static_cast<size_t>(i)] = static_cast<char>(tableSize >> (8 * i));
    }
    return file;
}

CraftedExecutable withPeStub() {
    CraftedExecutable exe = withConfig("mainclass Signed");
    exe.entries = {{"Signed.class", "cafe"}};
    exe.stub = std::string(0x40 + 24 + 240, '\0');
    exe.stub.replace(0, 2, "MZ");
    exe.stub[0x3C] = 0x40;
    exe.stub.replace(0x40, 4, std::string("PE\0\0", 4));
    exe.stub[0x40 + 4 + 16] = static_cast<char>(240);  // size of the optional header
    exe.stub[0x40 + 24] = 0x0B;                        // PE32+
    exe.stub[0x40 + 24 + 1] = 0x02;
    exe.stub[0x40 + 24 + 108] = 16;  // data directories
    return exe;
}

TEST(PayloadLocator, SignedExecutableEndsItsArchiveAtTheCertificateTable) {
    CraftedExecutable exe = withPeStub();
    std::string plain = exe.bytes();
    ASSERT_EQ(markOf(plain), expectedMark(exe));
    for (size_t padding : {0, 1, 7}) {
        SCOPED_TRACE(padding);
        std::string file = signedFile(plain, padding, 1500);
        EXPECT_EQ(markOf(file), expectedMark(exe));
        EXPECT_EQ(embeddedText(file), embeddedText(plain));
    }
    // Bytes that are not padding, or a table that does not end the file, leave no archive.
    EXPECT_EQ(markOf(signedFile(plain, 3, 1500, 'x')), -1);
    std::string notAtEnd = signedFile(plain, 0, 1500) + "tail";
    EXPECT_EQ(markOf(notAtEnd), -1);
    // A security directory that reaches past the file is not believed.
    std::string tooLong = signedFile(plain, 0, 100);
    tooLong[0x40 + 24 + 112 + 8 * 4 + 4] = static_cast<char>(0xFF);
    EXPECT_EQ(markOf(tooLong), -1);
}

}  // namespace
