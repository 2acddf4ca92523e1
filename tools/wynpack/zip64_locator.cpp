// The ZIP64 locator's offset in a packed file (see zip64_locator.h).
#include "zip64_locator.h"

#include "format/little_endian.h"
#include "format/zip_records.h"

namespace wynpack {

LocatorFix zip64LocatorFix(std::string_view tail, uint64_t prefixLength) {
    LocatorFix fix;
    const auto* bytes = reinterpret_cast<const unsigned char*>(tail.data());
    auto size = static_cast<int64_t>(tail.size());
    // The end record is the last one whose comment reaches exactly to the end.
    int64_t end = previousZipEndRecord(bytes, size, size - kZipEndRecordSize);
    Zip64Locator locator;
    if (end < kZip64LocatorSize || !readZip64Locator(bytes + end - kZip64LocatorSize, locator)) {
        return fix;
    }
    int64_t field = end - kZip64LocatorSize + kZip64LocatorOffsetField;
    fix.needed = true;
    fix.distanceFromEnd = static_cast<uint64_t>(size - field);
    appendLittleEndian64(fix.bytes, locator.endRecordOffset + prefixLength);
    return fix;
}

}  // namespace wynpack
