// Linux has no registry: nothing is ever found.
#include "platform/registry.h"

namespace platform {

bool readRegistryValue(RegistryRoot, const char*, const char*, RegistryValue&, RegistryView) {
    return false;
}

bool readRegistryPath(RegistryRoot, const char*, const char*, TextString&, RegistryView) {
    return false;
}

void listRegistrySubkeys(RegistryRoot, const char*, RegistryView, StringList&) {}

}  // namespace platform
