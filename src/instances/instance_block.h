// Where the registry's shared block lives: the named mapping when `appid` is set, else the
// executable's own block; a named block that cannot be had falls back to the executable's
// block on Windows, while a Linux process then runs unlisted (a null view). The caller keeps
// the block open until the registry has shut down, then closes it.
#pragma once

#include "base/text.h"
#include "platform/shared_memory.h"

// The mapping name for an application id: every '\' becomes '.', then ".wyn.mapping".
TextString instanceMappingName(TextView appid);

// Opens the block for appid (empty: the executable's block). A null view in memory means
// that no shared block could be had; the trace says why.
void openInstanceBlock(TextView appid, platform::SharedMemory& memory);
