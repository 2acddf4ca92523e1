// Building blocks of the single-instance guard (`singleinstance` set to "true").
//
// The guard is a named mutex: its name is the `appid`, or the executable's full path when
// the id is empty, with every ':' and '\' turned into '.', followed by ".wyn.mutex". The
// first process that acquires it keeps it until it ends; a later start finds it held and is
// refused. platform::acquireNamedMutex (platform/sync.h) takes it.
//
// Platforms: Windows creates a kernel mutex of that name. Linux locks a file of that name
// (with '/' also turned into '.', since a file name cannot hold it) in a directory private to
// the user (see platform/sync_mutex_posix.cpp); the kernel releases the lock when its owner dies,
// so an abandoned guard lets the next start go on, as an abandoned mutex does on Windows.
#pragma once

#include "base/text.h"

TextString singleInstanceMutexName(TextView appid, TextView exePath);
