// Passing the packer's byte strings to the formats room (src/format), which takes base's
// TextView and TextString: lengths there are signed 32-bit, so a caller hands over only
// strings it has checked to be shorter than 2 GiB (a configuration text, a command-line value).
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"

namespace wynpack {

inline TextView viewOf(std::string_view bytes) {
    return TextView(bytes.data(), static_cast<int32_t>(bytes.size()));
}

inline std::string stringOf(TextView text) {
    return std::string(text.data, text.length > 0 ? static_cast<size_t>(text.length) : 0);
}

}  // namespace wynpack
