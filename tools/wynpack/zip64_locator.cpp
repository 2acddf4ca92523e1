// The ZIP64 locator's offset in a packed file (see zip64_locator.h).
#include "zip64_locator.h"

namespace wynpack {

namespace {

constexpr std::string_view kEndSignature("PK\x05\x06", 4);
constexpr std::string_view kLocatorSignature("PK\x06\x07", 4);
constexpr size_t kEndSize = 22, kLocatorSize = 20, kLocatorOffsetField = 8;

uint64_t readLittleEndian(std::string_view bytes, size_t at, int size) {
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    }
    return value;
}

}  // namespace

LocatorFix zip64LocatorFix(std::string_view tail, uint64_t prefixLength) {
    LocatorFix fix;
    // The end record is the last one whose comment reaches exactly to the end.
    size_t end = tail.size() < kEndSize ? std::string_view::npos : tail.size() - kEndSize;
    while (end != std::string_view::npos) {
        end = tail.rfind(kEndSignature, end);
        if (end != std::string_view::npos &&
            end + kEndSize + readLittleEndian(tail, end + 20, 2) == tail.size()) {
            break;
        }
        end = (end == std::string_view::npos || end == 0) ? std::string_view::npos : end - 1;
    }
    if (end == std::string_view::npos || end < kLocatorSize ||
        tail.substr(end - kLocatorSize, 4) != kLocatorSignature) {
        return fix;
    }
    size_t field = end - kLocatorSize + kLocatorOffsetField;
    uint64_t offset = readLittleEndian(tail, field, 8) + prefixLength;
    fix.needed = true;
    fix.distanceFromEnd = tail.size() - field;
    for (int shift = 0; shift < 64; shift += 8) {
        fix.bytes += static_cast<char>((offset >> shift) & 0xFF);
    }
    return fix;
}

}  // namespace wynpack
