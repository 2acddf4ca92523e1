// Where the registry's shared block lives: this user's shared block named from `appid`, or,
// without one, from the identity of the program file itself (so that every path to the same
// file, however spelt or linked, meets in one block, and a copy of the file elsewhere has its
// own). When no such block can be had the process runs unlisted (a null view). The caller
// keeps the block open until the registry has shut down, then closes it.
#pragma once

#include "base/text.h"
#include "platform/shared_memory.h"

// The block's key for an application id: every '\' becomes '.', then ".wyn.mapping"; for an
// empty id "wyn-image-<program identity>.wyn.mapping"; empty when the program file cannot
// be identified.
TextString instanceBlockKey(TextView appid);

// Opens the block for appid (empty: the program file's block). A null view in memory means
// that no shared block could be had; the trace says why.
void openInstanceBlock(TextView appid, platform::SharedMemory& memory);
