// The headers of a Windows executable (see pe_image.h).
#include "pe_image.h"

#include "byte_order.h"

namespace wynpack {

namespace {

constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr uint32_t kPe32Magic = 0x10B;
constexpr uint32_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kMaxSections = 96;
constexpr uint32_t kResourceCharacteristics = 0x40000040;  // initialised data, readable

bool fail(std::string& reason, const char* text) {
    reason = text;
    return false;
}

}  // namespace

bool PeLayout::fileOffsetOf(uint32_t rva, uint32_t length, size_t& offset) const {
    for (const PeSection& section : sections) {
        uint64_t start = section.virtualAddress;
        uint64_t end = start + section.rawSize;
        if (rva >= start && static_cast<uint64_t>(rva) + length <= end) {
            offset = section.rawOffset + (rva - section.virtualAddress);
            return true;
        }
    }
    return false;
}

bool looksLikePeImage(std::string_view bytes) {
    if (bytes.size() < 0x40 || bytes.substr(0, 2) != "MZ") {
        return false;
    }
    uint32_t header = littleEndian32(bytes, 0x3C);
    return header <= bytes.size() - 4 && bytes.substr(header, 4) == std::string_view("PE\0\0", 4);
}

bool readPeLayout(std::string_view image, PeLayout& layout, std::string& reason) {
    layout = PeLayout();
    if (!looksLikePeImage(image)) {
        return fail(reason, "is not a Windows executable");
    }
    size_t coff = littleEndian32(image, 0x3C) + size_t{4};
    if (coff + kCoffHeaderSize > image.size()) {
        return fail(reason, "has a truncated file header");
    }
    uint32_t sectionCount = littleEndian16(image, coff + 2);
    uint32_t optionalSize = littleEndian16(image, coff + 16);
    layout.optionalHeader = coff + kCoffHeaderSize;
    if (optionalSize < 96 || layout.optionalHeader + optionalSize > image.size()) {
        return fail(reason, "has a truncated optional header");
    }
    uint32_t magic = littleEndian16(image, layout.optionalHeader);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        return fail(reason, "has an optional header of unknown kind");
    }
    layout.pe32Plus = magic == kPe32PlusMagic;
    size_t directoryCountAt = layout.optionalHeader + (layout.pe32Plus ? 108 : 92);
    layout.dataDirectories = directoryCountAt + 4;
    if (directoryCountAt + 4 > layout.optionalHeader + optionalSize) {
        return fail(reason, "has a truncated optional header");
    }
    layout.dataDirectoryCount = littleEndian32(image, directoryCountAt);
    if (layout.dataDirectoryCount <= kSecurityDirectory ||
        layout.dataDirectories + size_t{8} * layout.dataDirectoryCount >
            layout.optionalHeader + optionalSize) {
        return fail(reason, "has too few data directories");
    }
    layout.sectionAlignment = littleEndian32(image, layout.optionalHeader + 32);
    layout.fileAlignment = littleEndian32(image, layout.optionalHeader + 36);
    layout.sizeOfHeaders = littleEndian32(image, layout.optionalHeader + 60);
    auto powerOfTwo = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
    if (!powerOfTwo(layout.fileAlignment) || !powerOfTwo(layout.sectionAlignment) ||
        layout.fileAlignment > 0x10000 || layout.sectionAlignment < layout.fileAlignment) {
        return fail(reason, "has invalid alignments");
    }
    layout.sectionTable = layout.optionalHeader + optionalSize;
    if (sectionCount == 0 || sectionCount > kMaxSections ||
        layout.sectionTable + kSectionHeaderSize * sectionCount > image.size() ||
        layout.sectionTable + kSectionHeaderSize * sectionCount > layout.sizeOfHeaders) {
        return fail(reason, "has a damaged section table");
    }
    for (uint32_t i = 0; i < sectionCount; ++i) {
        size_t at = layout.sectionTable + kSectionHeaderSize * i;
        PeSection section;
        section.headerOffset = at;
        std::string_view name = image.substr(at, 8);
        section.name = std::string(name.substr(0, name.find('\0')));
        section.virtualSize = littleEndian32(image, at + 8);
        section.virtualAddress = littleEndian32(image, at + 12);
        section.rawSize = littleEndian32(image, at + 16);
        section.rawOffset = littleEndian32(image, at + 20);
        if (section.rawSize != 0 &&
            static_cast<uint64_t>(section.rawOffset) + section.rawSize > image.size()) {
            return fail(reason, "has a section that reaches past the end of the file");
        }
        layout.sections.push_back(section);
    }
    return true;
}

DataDirectory dataDirectory(std::string_view image, const PeLayout& layout, int index) {
    size_t at = layout.dataDirectories + size_t{8} * static_cast<size_t>(index);
    return {littleEndian32(image, at), littleEndian32(image, at + 4)};
}

void setDataDirectory(std::string& image, const PeLayout& layout, int index, DataDirectory value) {
    size_t at = layout.dataDirectories + size_t{8} * static_cast<size_t>(index);
    putLittleEndian32(image, at, value.address);
    putLittleEndian32(image, at + 4, value.size);
}

uint32_t nextSectionAddress(const PeLayout& layout) {
    uint64_t end = 0;
    for (const PeSection& section : layout.sections) {
        uint64_t size =
            section.virtualSize > section.rawSize ? section.virtualSize : section.rawSize;
        if (section.virtualAddress + size > end) {
            end = section.virtualAddress + size;
        }
    }
    return static_cast<uint32_t>(alignUp(end, layout.sectionAlignment));
}

bool appendSection(std::string& image, PeLayout& layout, std::string_view name,
                   std::string_view data, uint32_t address, std::string& reason) {
    size_t header = layout.sectionTable + kSectionHeaderSize * layout.sections.size();
    uint64_t firstData = layout.sizeOfHeaders;
    for (const PeSection& section : layout.sections) {
        if (section.rawSize != 0 && section.rawOffset < firstData) {
            firstData = section.rawOffset;
        }
    }
    if (header + kSectionHeaderSize > firstData ||
        image.substr(header, kSectionHeaderSize).find_first_not_of('\0') != std::string::npos) {
        return fail(reason, "has no room for another section header");
    }
    uint64_t rawOffset = alignUp(image.size(), layout.fileAlignment);
    uint64_t rawSize = alignUp(data.size(), layout.fileAlignment);
    uint64_t virtualSize = data.size();
    uint64_t imageSize =
        alignUp(static_cast<uint64_t>(address) + virtualSize, layout.sectionAlignment);
    if (rawOffset + rawSize > 0xFFFFFFFFu || imageSize > 0xFFFFFFFFu) {
        return fail(reason, "would grow beyond what a Windows executable can hold");
    }
    std::string sectionHeader(name.substr(0, 8));
    sectionHeader.resize(8, '\0');
    appendLittleEndian32(sectionHeader, static_cast<uint32_t>(virtualSize));
    appendLittleEndian32(sectionHeader, address);
    appendLittleEndian32(sectionHeader, static_cast<uint32_t>(rawSize));
    appendLittleEndian32(sectionHeader, static_cast<uint32_t>(rawOffset));
    sectionHeader.append(12, '\0');  // relocations and line numbers: none
    appendLittleEndian32(sectionHeader, kResourceCharacteristics);
    image.replace(header, kSectionHeaderSize, sectionHeader);

    image.resize(rawOffset, '\0');
    image.append(data);
    image.resize(rawOffset + rawSize, '\0');

    size_t coff = littleEndian32(image, 0x3C) + size_t{4};
    putLittleEndian16(image, coff + 2, static_cast<uint32_t>(layout.sections.size() + 1));
    putLittleEndian32(image, layout.optionalHeader + 56, static_cast<uint32_t>(imageSize));
    uint32_t initialised = littleEndian32(image, layout.optionalHeader + 8);
    putLittleEndian32(image, layout.optionalHeader + 8,
                      initialised + static_cast<uint32_t>(rawSize));
    return readPeLayout(image, layout, reason);
}

void PeChecksum::add(std::string_view bytes) {
    size_t i = 0;
    length_ += bytes.size();
    if (pendingLow_ && !bytes.empty()) {
        sum_ += low_ | static_cast<uint32_t>(static_cast<unsigned char>(bytes[0])) << 8;
        pendingLow_ = false;
        i = 1;
    }
    for (; i + 1 < bytes.size(); i += 2) {
        sum_ += littleEndian16(bytes, i);
    }
    if (i < bytes.size()) {
        pendingLow_ = true;
        low_ = static_cast<unsigned char>(bytes[i]);
    }
    // Folding often keeps the sum far from overflow on any file size.
    sum_ = (sum_ & 0xFFFFFFFF) + (sum_ >> 32);
}

uint32_t PeChecksum::finish() const {
    uint64_t sum = sum_ + (pendingLow_ ? low_ : 0);
    while (sum > 0xFFFF) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<uint32_t>(sum + length_);
}

}  // namespace wynpack
