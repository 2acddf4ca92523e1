// Versioned object names, and long names shortened with a hash of the whole name.
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
    // The ending that says what kind of object it is stays, unless it is itself too long.
    const char* ending = nullptr;
    for (const char* p = std::strstr(name, ".wyn."); p != nullptr;
         p = std::strstr(p + 1, ".wyn.")) {
        ending = p;
    }
    if (ending == nullptr || std::strlen(ending) > 32) {
        ending = "";
    }
    TextString suffix;
    suffix.format("-%016llx%s", static_cast<unsigned long long>(hash), ending);
    result.resize(limit > suffix.length() ? limit - suffix.length() : 0);
    result.append(suffix);
    return result;
}

TextString versionedName(const char* name) {
    TextString result;
    result.format("wyn%d-", kSharedObjectProtocol);
    result.append(name);
    return result;
}

}  // namespace platform
