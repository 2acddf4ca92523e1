// Shortening long object names with a hash of the whole name.
#include "platform/object_names.h"

#include <cstring>

namespace platform {

TextString nameWithinLimit(const char* name, int32_t limit) {
    TextString result(name);
    if (result.length() <= limit) {
        return result;
    }
    uint64_t hash = 14695981039346656037ull;  // FNV-1a over the whole name
    for (const char* p = name; *p != '\0'; ++p) {
        hash = (hash ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    }
    TextString suffix;
    suffix.format("-%016llx.wyn.mutex", static_cast<unsigned long long>(hash));
    result.resize(limit > suffix.length() ? limit - suffix.length() : 0);
    result.append(suffix);
    return result;
}

}  // namespace platform
