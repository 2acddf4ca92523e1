// The security attributes of this user's shared kernel objects on Windows: a descriptor whose
// list grants full access to the user's SID and to nobody else, so that another user cannot
// open them at all and every process of the user, elevated or not, can. Windows only; used by
// the *_win.cpp files that create the objects named by userObjectName (object_names.h).
#pragma once

#include <windows.h>

#include "base/text.h"

namespace platform {

// The attributes (not inheritable), or null when the descriptor cannot be built; then the
// objects get the system's default, which still names the user's SID.
SECURITY_ATTRIBUTES* userOnlySecurity();

// The current user's SID as text ("S-1-5-21-..."), empty when it cannot be read.
const TextString& currentUserSid();

}  // namespace platform
