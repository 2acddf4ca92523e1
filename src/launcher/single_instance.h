// Building blocks of the single-instance guard (`singleinstance` set to "true").
//
// The guard is this user's named mutex (platform/sync.h, platform/object_names.h). Its name is
// the `appid` with every ':' and '\' turned into '.', followed by ".wyn.mutex"; without an id it
// is "wyn-image-" and the identity of the program file itself (platform::programIdentity),
// followed by ".wyn.mutex", so that a start through another spelling of the same file (letter
// case, a short name, another drive letter, a link) is still a second start. The first
// process that acquires it keeps it until it ends; a later start finds it held and is refused.
//
// Platforms: Windows creates a kernel mutex of that name in the session's namespace. Linux
// locks a file of that name in a directory private to the user (see
// platform/sync_mutex_posix.cpp); the kernel releases the lock when its owner dies, so an
// abandoned guard lets the next start go on, as an abandoned mutex does on Windows.
#pragma once

#include "base/text.h"

// The guard's name from the application id, or, when that is empty, from programIdentity.
TextString singleInstanceMutexName(TextView appid, TextView programIdentity);
