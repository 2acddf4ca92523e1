// The C streams of another module that prints through the launcher (the runtime's vfprintf
// hook hands over the stream it would have written to).
//
// Linux: every module shares the one C library, so the runtime's stdout is the launcher's.
// Windows: the runtime may bring its own C library (the Universal CRT, or one of the
// msvcr*.dll of older runtimes) whose streams are not the launcher's; the standard output of
// each such library already loaded in the process is recognised as well.
#pragma once

#include <cstdio>

namespace platform {

// True when stream is the standard output of the launcher's or a loaded C library.
bool isStandardOutputStream(std::FILE* stream);

}  // namespace platform
