// Texts of tray icons and menus in fixed-size fields of the shell's records.
//
// A text that does not fit is cut at a character boundary of the ANSI code page, so that a
// double-byte character (or a UTF-8 sequence on Linux) is never split in half. The same on
// both platforms; the code page rules come from platform/codepage.h.
#pragma once

#include <cstdint>

#include "base/text.h"

// The length of the longest prefix of text that has at most limit bytes and ends at a
// character boundary. The walk stops at a NUL byte.
int32_t ansiPrefixFitting(TextView text, int32_t limit);

// Copies text into field (fieldSize bytes, at least 1): at most fieldSize - 1 bytes cut by
// ansiPrefixFitting, then a NUL, and zeros up to the end of the field.
void copyTrayText(char* field, int32_t fieldSize, TextView text);
