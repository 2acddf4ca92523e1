// Conversion between the process's ANSI code page and UTF-16.
//
// Windows: the active ANSI code page (MultiByteToWideChar / WideCharToMultiByte with CP_ACP),
// which is the code page of the user's default locale that the entry selects; characters the
// code page cannot represent become its default character ('?').
// Linux: the charset of the locale selected with setlocale(LC_ALL, ""), through mbrtowc and
// wcrtomb; UTF-16 surrogate pairs are formed and joined here, since wchar_t is 32-bit.
// Bytes that do not decode and characters that do not encode become '?'.
#pragma once

#include <cstdint>

#include "config/text.h"

namespace platform {

// Converts count bytes (stopping early at a NUL) and replaces the content of out.
void ansiToUtf16(const char* text, int32_t count, WideString& out);
// Converts count units (stopping early at a zero unit) and replaces the content of out.
void utf16ToAnsi(const char16_t* text, int32_t count, TextString& out);

}  // namespace platform
