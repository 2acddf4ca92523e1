// The headers of a Windows executable (PE32 or PE32+), as far as the packer changes them: the
// section table, the data directories, the checksum and the subsystem.
//
// Every offset and size read from the file is checked against the file before it is used, so
// that a damaged stub is refused with a reason instead of being read out of bounds. The
// packer only ever adds a section after the last one; nothing in the existing sections moves.
//
// Platforms: pure code over bytes, the same everywhere (the Windows test programs link it too).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wynpack {

constexpr int kResourceDirectory = 2;
constexpr int kSecurityDirectory = 4;
constexpr uint32_t kSubsystemWindowsGui = 2;
constexpr uint32_t kSubsystemWindowsConsole = 3;

struct PeSection {
    std::string name;  // up to 8 bytes, without the padding NULs
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
    size_t headerOffset = 0;  // where the section's 40-byte header is in the file
};

struct DataDirectory {
    uint32_t address = 0;  // an RVA; a file offset for the security directory
    uint32_t size = 0;
};

struct PeLayout {
    bool pe32Plus = false;
    size_t optionalHeader = 0;
    size_t sectionTable = 0;
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t sizeOfHeaders = 0;
    uint32_t dataDirectoryCount = 0;
    size_t dataDirectories = 0;
    std::vector<PeSection> sections;

    size_t checksumOffset() const { return optionalHeader + 64; }
    size_t subsystemOffset() const { return optionalHeader + 68; }

    // The file offset of the bytes [rva, rva + length) when they lie in one section's data.
    [[nodiscard]] bool fileOffsetOf(uint32_t rva, uint32_t length, size_t& offset) const;
};

// True when the bytes begin like a Windows executable ("MZ", then "PE\0\0" where the DOS
// header points); the Linux stub is not one.
bool looksLikePeImage(std::string_view bytes);

// Reads the headers; false with a reason ("has no room for another section header") when
// the file is not a PE image the packer can work on.
[[nodiscard]] bool readPeLayout(std::string_view image, PeLayout& layout, std::string& reason);

DataDirectory dataDirectory(std::string_view image, const PeLayout& layout, int index);
void setDataDirectory(std::string& image, const PeLayout& layout, int index, DataDirectory value);

// The RVA a section added after the last one gets.
uint32_t nextSectionAddress(const PeLayout& layout);

// Adds a section with the given data after the last section: its header goes into the free
// room after the section table, its data at the end of the file (padded to the file
// alignment); the section count, the image size and the size of initialised data follow.
// address must be nextSectionAddress(layout). The layout is read again afterwards.
[[nodiscard]] bool appendSection(std::string& image, PeLayout& layout, std::string_view name,
                                 std::string_view data, uint32_t address, std::string& reason);

// The PE checksum, summed over the file's bytes in any number of pieces. The checksum field
// itself must be given as zeros.
class PeChecksum {
  public:
    void add(std::string_view bytes);
    uint32_t finish() const;

  private:
    uint64_t sum_ = 0;
    uint64_t length_ = 0;
    bool pendingLow_ = false;
    uint32_t low_ = 0;
};

}  // namespace wynpack
