// What a look at a process means, the same on every platform.
#include "platform/process_identity.h"

namespace platform {

bool lookCountsAsAlive(ProcessLook look) {
    return look == ProcessLook::Running || look == ProcessLook::AccessDenied;
}

}  // namespace platform
