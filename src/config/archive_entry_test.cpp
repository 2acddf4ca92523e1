#include "config/archive_entry.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "support/payload_builder.h"

namespace {

const char kImageName[] = "images/splash.png";
const std::string kImage = "\x89PNG\r\n\x1a\n not really an image, but its bytes must arrive";

void set16(std::string& file, size_t at, uint32_t value) {
    file[at] = static_cast<char>(value & 0xFF);
    file[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void set32(std::string& file, size_t at, uint32_t value) {
    set16(file, at, value & 0xFFFF);
    set16(file, at + 2, value >> 16);
}

// The offset of the header with that signature whose name (at nameAt) is name.
size_t headerOf(const std::string& file, const std::string& signature, size_t nameAt,
                const std::string& name) {
    for (size_t at = file.find(signature); at != std::string::npos;
         at = file.find(signature, at + 1)) {
        if (file.compare(at + nameAt, name.size(), name) == 0) {
            return at;
        }
    }
    ADD_FAILURE() << "no header for " << name;
    return 0;
}

size_t directoryEntryOf(const std::string& file) {
    return headerOf(file, std::string("PK\x01\x02", 4), 46, kImageName);
}

size_t localHeaderOf(const std::string& file) {
    return headerOf(file, std::string("PK\x03\x04", 4), 30, kImageName);
}

std::string contentOf(const ByteBuffer& data) {
    return data.empty() ? std::string()
                        : std::string(data.data(), static_cast<size_t>(data.length()));
}

CraftedExecutable withImage() {
    CraftedExecutable exe;
    exe.config = "mainclass app.Main\r\nsplash images/splash.png\r\n";
    exe.entries = {{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"},
                   {kImageName, kImage},
                   {"app/Main.class", std::string(500, 'c')}};
    return exe;
}

ArchiveEntryStatus lookUp(const std::string& file, const std::string& name, ByteBuffer& data) {
    return readStoredEntry(reinterpret_cast<const unsigned char*>(file.data()),
                           static_cast<int64_t>(file.size()), TextView(name.c_str()), data);
}

struct EntryCase {
    const char* what;
    std::function<void(CraftedExecutable&)> craft;
    std::function<void(std::string&)> damage;
    const char* name;
    ArchiveEntryStatus expected;
};

TEST(ArchiveEntry, LookupOverCraftedAndDamagedArchives) {
    auto none = [](CraftedExecutable&) {};
    auto intact = [](std::string&) {};
    const EntryCase cases[] = {
        {"stored entry", none, intact, kImageName, ArchiveEntryStatus::Found},
        {"offsets from the file's start",
         [](CraftedExecutable& e) { e.offsetsFromFileStart = true; }, intact, kImageName,
         ArchiveEntryStatus::Found},
        {"ZIP64 end records and a comment",
         [](CraftedExecutable& e) {
             e.zip64 = true;
             e.zipComment = "packed";
         },
         intact, kImageName, ArchiveEntryStatus::Found},
        {"empty entry", [](CraftedExecutable& e) { e.entries[1].second.clear(); }, intact,
         kImageName, ArchiveEntryStatus::Found},
        {"missing name", none, intact, "images/other.png", ArchiveEntryStatus::Missing},
        {"name prefix only", none, intact, "images/splash", ArchiveEntryStatus::Missing},
        {"case differs", none, intact, "Images/Splash.png", ArchiveEntryStatus::Missing},
        {"no entries at all", [](CraftedExecutable& e) { e.entries.clear(); }, intact, kImageName,
         ArchiveEntryStatus::Missing},
        {"deflated", none, [](std::string& f) { set16(f, directoryEntryOf(f) + 10, 8); },
         kImageName, ArchiveEntryStatus::Compressed},
        {"encrypted", none, [](std::string& f) { set16(f, directoryEntryOf(f) + 8, 1); },
         kImageName, ArchiveEntryStatus::Encrypted},
        {"size in a ZIP64 field", none,
         [](std::string& f) { set32(f, directoryEntryOf(f) + 24, 0xFFFFFFFF); }, kImageName,
         ArchiveEntryStatus::NeedsZip64},
        {"offset in a ZIP64 field", none,
         [](std::string& f) { set32(f, directoryEntryOf(f) + 42, 0xFFFFFFFF); }, kImageName,
         ArchiveEntryStatus::NeedsZip64},
        {"larger than the limit", none,
         [](std::string& f) {
             set32(f, directoryEntryOf(f) + 20, kMaxStoredEntrySize + 1u);
             set32(f, directoryEntryOf(f) + 24, kMaxStoredEntrySize + 1u);
         },
         kImageName, ArchiveEntryStatus::TooLarge},
        {"sizes that differ for a stored entry", none,
         [](std::string& f) { set32(f, directoryEntryOf(f) + 20, 3); }, kImageName,
         ArchiveEntryStatus::Damaged},
        {"length past the directory", none,
         [](std::string& f) {
             set32(f, directoryEntryOf(f) + 20, 1000000);
             set32(f, directoryEntryOf(f) + 24, 1000000);
         },
         kImageName, ArchiveEntryStatus::Damaged},
        {"length reaching into the directory",
         [](CraftedExecutable& e) { std::swap(e.entries[1], e.entries[2]); },
         [](std::string& f) {
             set32(f, directoryEntryOf(f) + 20, static_cast<uint32_t>(kImage.size() + 1));
             set32(f, directoryEntryOf(f) + 24, static_cast<uint32_t>(kImage.size() + 1));
             // A CRC that the data and the directory's first byte would match.
             set32(f, directoryEntryOf(f) + 16, crc32Of(kImage + "P"));
         },
         kImageName, ArchiveEntryStatus::Damaged},
        {"directory entry runs past the directory", none,
         [](std::string& f) { set16(f, headerOf(f, "PK\x01\x02", 46, "app/") + 32, 4000); },
         "app/none.class", ArchiveEntryStatus::Damaged},
        {"directory entry without its signature", none,
         [](std::string& f) { f[headerOf(f, "PK\x01\x02", 46, "app/") + 2] = 'X'; },
         "app/none.class", ArchiveEntryStatus::Damaged},
        {"local header offset past the directory", none,
         [](std::string& f) { set32(f, directoryEntryOf(f) + 42, 0x7FFFFFF0); }, kImageName,
         ArchiveEntryStatus::Damaged},
        {"local header offset at no local header", none,
         [](std::string& f) { set32(f, directoryEntryOf(f) + 42, 7); }, kImageName,
         ArchiveEntryStatus::Damaged},
        {"local name and extra lengths past the directory", none,
         [](std::string& f) {
             set16(f, localHeaderOf(f) + 26, 0xFFFF);
             set16(f, localHeaderOf(f) + 28, 0xFFFF);
         },
         kImageName, ArchiveEntryStatus::Damaged},
        {"data that does not match its CRC", none,
         [](std::string& f) { f[localHeaderOf(f) + 30 + sizeof(kImageName) - 1 + 5] ^= 1; },
         kImageName, ArchiveEntryStatus::Damaged},
        {"file cut inside the directory", none, [](std::string& f) { f.resize(f.size() - 40); },
         kImageName, ArchiveEntryStatus::NoArchive},
        {"no archive at all", none, [](std::string& f) { f = "MZ just a program"; }, kImageName,
         ArchiveEntryStatus::NoArchive},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.what);
        CraftedExecutable exe = withImage();
        c.craft(exe);
        std::string file = exe.bytes();
        c.damage(file);
        ByteBuffer data;
        data.append("left over", 9);
        EXPECT_EQ(lookUp(file, c.name, data), c.expected);
        if (c.expected == ArchiveEntryStatus::Found) {
            std::string expected = exe.entries.size() > 1 ? exe.entries[1].second : kImage;
            EXPECT_EQ(contentOf(data), expected);
        } else {
            EXPECT_EQ(data.length(), 0);
        }
    }
}

TEST(ArchiveEntry, DirectoryLargerThanOneReadBlock) {
    // About 190 KiB of directory: the names are read across several blocks.
    CraftedExecutable exe;
    exe.config = "k v";
    for (int i = 0; i < 2000; ++i) {
        std::string name = "com/example/generated/package/Class" + std::to_string(i) + ".class";
        exe.entries.push_back({name, std::to_string(i)});
    }
    std::string file = exe.bytes();
    for (int i : {0, 761, 762, 763, 1500, 1999}) {
        std::string name = "com/example/generated/package/Class" + std::to_string(i) + ".class";
        ByteBuffer data;
        ASSERT_EQ(lookUp(file, name, data), ArchiveEntryStatus::Found) << name;
        EXPECT_EQ(contentOf(data), std::to_string(i));
    }
    ByteBuffer data;
    EXPECT_EQ(lookUp(file, "com/example/Missing.class", data), ArchiveEntryStatus::Missing);
}

TEST(ArchiveEntry, ReadFromTheExecutableFile) {
    ScratchDirectory dir;
    std::string path = dir.writeExecutable(withImage());
    ByteBuffer data;
    ASSERT_EQ(readStoredEntry(path.c_str(), TextView(kImageName), data), ArchiveEntryStatus::Found);
    EXPECT_EQ(contentOf(data), kImage);
    EXPECT_EQ(readStoredEntry(path.c_str(), TextView("images/none.png"), data),
              ArchiveEntryStatus::Missing);
    EXPECT_EQ(readStoredEntry(dir.file("absent.exe").c_str(), TextView(kImageName), data),
              ArchiveEntryStatus::NoArchive);
}

}  // namespace
