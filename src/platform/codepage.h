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

#include "base/text.h"

namespace platform {

// Converts count bytes (stopping early at a NUL) and replaces the content of out.
void ansiToUtf16(const char* text, int32_t count, WideString& out);
// Converts count units (stopping early at a zero unit) and replaces the content of out.
void utf16ToAnsi(const char16_t* text, int32_t count, TextString& out);
// The byte count (1 or more, at most available) of the ANSI character that starts at text,
// where available > 0 bytes can be read. A byte that starts no valid character counts as one.
// Windows: as codePageCharacterLength for the active ANSI code page. Linux: mbrlen under the
// selected locale (UTF-8 characters take up to 4 bytes).
int32_t ansiCharacterLength(const char* text, int32_t available);

#ifdef _WIN32
// The same for a given Windows code page: for UTF-8 (65001, the active code page of a program
// packed with --utf8) the length of a well-formed sequence, where IsDBCSLeadByteEx knows no
// lead bytes; for a double-byte code page 2 at a lead byte followed by a non-NUL byte; else 1.
int32_t codePageCharacterLength(uint32_t codePage, const char* text, int32_t available);
#endif

}  // namespace platform

// ANSI (process code page, under the locale selected at start-up) to UTF-16. Characters the
// code page cannot map become replacement characters; the input is read up to count bytes
// (-1: up to the first NUL) and the result ends at the first zero unit.
WideString wideFromNarrow(const char* text, int32_t count);
// UTF-16 to ANSI; unrepresentable characters become '?'. Ends at the first NUL.
TextString narrowFromWide(const char16_t* text, int32_t count);
