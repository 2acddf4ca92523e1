// The stack size of the launch thread, the thread that creates the virtual machine and runs
// main: with an `option` -Xss<size>, that size, as the java launcher gives its main thread the
// -Xss size; without one the platform's default (0), which applications already rely on.
//
// Platforms: the same rule; the default is the executable's stack reservation on Windows
// (2 MiB for the MinGW builds) and the stack limit of the process on Linux (usually 8 MiB).
#pragma once

#include "base/text.h"

// The size of the last -Xss option (as the runtime takes the last one), in bytes: digits with
// an optional unit k, m or g (either case). At least 256 KiB, so that the launcher's own work
// before the runtime starts (and the runtime's refusal of a size too small) has room; 0 when
// no option sets a size or the last one is no size the runtime accepts (above 1 GiB).
[[nodiscard]] unsigned launchThreadStackSize(const StringList& options);
