// Linux has no common controls library to load, and no taskbar identity to set.
#include "platform/ui.h"

namespace platform {

void initCommonControls() {}

bool setTaskbarIdentity(const char*) {
    return false;
}

}  // namespace platform
