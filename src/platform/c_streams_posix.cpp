// Linux: one C library in the process.
#include "platform/c_streams.h"

namespace platform {

bool isStandardOutputStream(std::FILE* stream) {
    return stream == stdout;
}

}  // namespace platform
