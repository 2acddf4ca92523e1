// Writing to a C stream that another module hands over: the runtime's vfprintf hook receives
// the stream the runtime would have written to (its standard output or error, or a log file
// it opened itself).
//
// Linux: every module shares the one C library, so the stream is written as it is.
// Windows: the runtime may bring its own C library (the Universal CRT, or one of the
// msvcr*.dll of older runtimes) whose streams the launcher's C library must not touch: the
// text is written through the C library that the calling module imports. When that cannot be
// told, the text goes to the launcher's standard error instead.
#pragma once

#include <cstddef>
#include <cstdio>

namespace platform {

// Writes length bytes of text to stream and flushes it; caller is an address inside the
// module that owns the stream (the code that called the hook).
void writeToCallersStream(std::FILE* stream, const char* text, size_t length, const void* caller);

}  // namespace platform
