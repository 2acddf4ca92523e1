// The running process: its command line and its privileges.
//
// Windows: GetCommandLineA; elevation from the process token (always true before Vista).
// Linux: a command line rebuilt from argv; elevated means running as root (effective uid 0).
#pragma once

namespace platform {

// True when the process runs with administrator rights.
bool isElevated();

}  // namespace platform
