// Resources of the launcher executable: the string table with the default messages, the
// native splash's bitmap 100 and the runtime splash's raw data 100.
//
// Windows: the executable's own resources (FindResourceA / LoadResource / LoadBitmapA).
// Linux: an ELF stub carries no resources: the default messages are compiled in (the same
// texts as the Windows string table), and there is no bitmap and no raw data.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace platform {

// The string table entry id as UTF-16; false when the executable has no such entry.
[[nodiscard]] bool loadStringResource(int id, WideString& out);

// The bitmap resource 100 (an HBITMAP the caller owns), or null.
void* loadSplashBitmap();

// The raw data resource 100; false when it is missing or empty.
[[nodiscard]] bool findSplashImageData(const void*& data, int32_t& size);

}  // namespace platform
