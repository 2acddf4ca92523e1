// On Linux the launcher counts as elevated when it runs as root.
#include <unistd.h>

#include "platform/process.h"

namespace platform {

bool isElevated() {
    return geteuid() == 0;
}

}  // namespace platform
