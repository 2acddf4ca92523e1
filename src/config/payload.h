// Reading the payload that the packer appended to the launcher's own executable: the
// embedded configuration text. The payload's layout and how its mark is found from the
// archive's end records are in format/payload_tail.h.
//
// A running executable is never read or mapped whole: only its last 64 KiB (where the end
// records lie), the few fields they point to and the configuration text are read, so that a
// large archive costs neither time nor address space (a 32-bit process may have too little
// of it to map a big file at all).
//
// Platforms: identical on Windows and Linux; the file is read through platform/files.h.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "config/byte_source.h"
#include "format/payload_tail.h"

// Reads the embedded configuration text of an executable file (by its exact path, see
// platform/files.h) into text (raw bytes, byte order mark included), reading only the parts
// of the file it needs; also reports the mark (-1 when none). False when the file cannot be
// read or holds no embedded text (or a text longer than kMaxEmbeddedTextSize); text is then
// empty.
bool readEmbeddedText(const char* executable, TextString& text, int64_t& mark);
