// The taskbar identity of the program: the opt-in `appusermodelid` key gives the process an
// explicit AppUserModelID at start, before any window, so that several executables (or a
// program and the shortcuts its installer makes with the same id) share one taskbar button,
// pinned item and jump list. Without the key nothing is set: the taskbar then groups the
// program's windows under the executable itself, as always, and existing pinned shortcuts
// keep matching.
//
// Platforms: Windows 7 and later take the id; on older Windows and on Linux the key has no
// effect (the trace says so).
#pragma once

#include "base/text.h"

class ConfigStore;

// Why id cannot be an AppUserModelID, or null when it can: not empty, at most 128 characters,
// no blanks (the system's rules).
const char* taskbarIdentityProblem(TextView utf8Id);

// Sets the configured id; a value the rules refuse is left unset. Traced either way.
void applyTaskbarIdentity(const ConfigStore& config);
