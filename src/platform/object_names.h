// Names of kernel objects and lock files that must stay within a length limit.
//
// A name that fits is kept as it is. A longer one keeps its beginning and ends in a hash of
// the whole name followed by ".wyn.mutex", so that different long names stay apart and every
// process computes the same short name. Same on every platform; the limits differ (Windows
// object names, Linux file names).
#pragma once

#include <cstdint>

#include "base/text.h"

namespace platform {

TextString nameWithinLimit(const char* name, int32_t limit);

}  // namespace platform
