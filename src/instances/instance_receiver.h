// The process-wide record through which the instance natives learn whether the "custom"
// single-instance mode is on. It is created zero-filled at process start, and
// startCustomMode of the registry switches the mode on. Same on every platform.
#pragma once

#include <atomic>

struct InstanceReceiver {
    std::atomic<int> customModeActive{0};
};

// The one receiver of this process.
InstanceReceiver& instanceReceiver();
