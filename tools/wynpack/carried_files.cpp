// The files a wynpack executable carries inside itself (see carried_files.h).
#include "carried_files.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>

#include "byte_order.h"

namespace wynpack {

namespace {

constexpr std::string_view kMagic = "WYNCARRY";
constexpr size_t kTrailerSize = 24;

uint32_t crc32Of(std::string_view bytes) {
    uLong crc = ::crc32(0, Z_NULL, 0);
    // zlib takes lengths as uInt; carried files are far below 4 GiB, but go in pieces anyway.
    while (!bytes.empty()) {
        uInt piece = static_cast<uInt>(std::min<size_t>(bytes.size(), 1u << 30));
        crc = ::crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), piece);
        bytes.remove_prefix(piece);
    }
    return static_cast<uint32_t>(crc);
}

}  // namespace

std::string carriedBlock(const std::vector<CarriedFile>& files) {
    std::string items;
    std::string index;
    for (const CarriedFile& file : files) {
        items += file.bytes;
        appendLittleEndian32(index, static_cast<uint32_t>(file.name.size()));
        index += file.name;
        appendLittleEndian64(index, file.bytes.size());
        appendLittleEndian32(index, crc32Of(file.bytes));
    }
    std::string block = items + index;
    appendLittleEndian64(block, items.size() + index.size());
    appendLittleEndian32(block, static_cast<uint32_t>(index.size()));
    appendLittleEndian32(block, crc32Of(index));
    block += kMagic;
    return block;
}

CarriedState readCarriedFiles(std::string_view file, std::vector<CarriedFile>& files,
                              std::string& reason) {
    files.clear();
    std::vector<CarriedFile> found;
    if (file.size() < kTrailerSize || file.substr(file.size() - kMagic.size()) != kMagic) {
        return CarriedState::None;
    }
    size_t trailer = file.size() - kTrailerSize;
    uint64_t blockLength = littleEndian64(file, trailer);
    uint32_t indexLength = littleEndian32(file, trailer + 8);
    uint32_t indexCrc = littleEndian32(file, trailer + 12);
    if (blockLength > trailer || indexLength > blockLength) {
        reason = "its lengths do not fit the file (it is cut short or overwritten)";
        return CarriedState::Damaged;
    }
    size_t blockStart = trailer - static_cast<size_t>(blockLength);
    size_t indexStart = trailer - indexLength;
    std::string_view index = file.substr(indexStart, indexLength);
    if (crc32Of(index) != indexCrc) {
        reason = "its index fails its checksum";
        return CarriedState::Damaged;
    }
    size_t at = 0;
    uint64_t itemStart = blockStart;
    while (at < index.size()) {
        if (index.size() - at < 4) {
            reason = "its index ends inside an entry";
            return CarriedState::Damaged;
        }
        uint32_t nameLength = littleEndian32(index, at);
        at += 4;
        if (index.size() - at < static_cast<uint64_t>(nameLength) + 12) {
            reason = "its index ends inside an entry";
            return CarriedState::Damaged;
        }
        CarriedFile carried;
        carried.name = std::string(index.substr(at, nameLength));
        at += nameLength;
        uint64_t size = littleEndian64(index, at);
        uint32_t crc = littleEndian32(index, at + 8);
        at += 12;
        if (size > indexStart - itemStart) {
            reason = "the size of " + carried.name + " goes beyond the carried files";
            return CarriedState::Damaged;
        }
        carried.bytes = std::string(file.substr(static_cast<size_t>(itemStart), size));
        itemStart += size;
        if (crc32Of(carried.bytes) != crc) {
            reason = carried.name + " fails its checksum";
            return CarriedState::Damaged;
        }
        found.push_back(std::move(carried));
    }
    if (itemStart != indexStart) {
        reason = "its items do not fill the space before its index";
        return CarriedState::Damaged;
    }
    files = std::move(found);
    return CarriedState::Present;
}

}  // namespace wynpack
