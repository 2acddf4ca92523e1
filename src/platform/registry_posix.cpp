// Linux has no registry: nothing is ever found.
#include "platform/registry.h"

namespace platform {

bool readRegistryValue(RegistryRoot, const char*, const char*, RegistryValue&) {
    return false;
}

bool readRegistryPath(RegistryRoot, const char*, const char*, TextString&) {
    return false;
}

}  // namespace platform
