// The encodings a configuration text may be saved in, decoded into UTF-8: the byte order
// marks, strict UTF-8 validation, UTF-16 in either byte order and Windows-1252. The launcher
// decodes its configuration sources with these (config/config_sources.h), the packer the
// configuration file it embeds (wynpack/config_text.h); what each does with a text that has
// no mark differs (the launcher: the process's ANSI code page, a platform service; the
// packer: UTF-8 when valid, else Windows-1252), so that choice stays with them.
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <cstdint>

#include "base/text.h"

// The three bytes of the UTF-8 byte order mark.
constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";
constexpr int32_t kUtf8ByteOrderMarkSize = 3;

enum class ByteOrderMark { None, Utf8, Utf16LittleEndian, Utf16BigEndian };

// The mark the bytes begin with.
ByteOrderMark byteOrderMarkOf(TextView bytes);
// Its length in bytes: 3 for UTF-8, 2 for UTF-16, 0 for none.
int32_t byteOrderMarkLength(ByteOrderMark mark);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, nothing cut off.
bool isValidUtf8(TextView bytes);

// Appends the UTF-8 form of one code point (at most U+10FFFF; a surrogate code point gets its
// three-byte form).
void appendUtf8(TextString& out, uint32_t codePoint);

// Where UTF-16 decoding ends: at the first zero unit (as a C string ends), or only at the end
// of the bytes, so that the caller sees every NUL.
enum class Utf16End { AtZeroUnit, AtLastUnit };

// Appends the UTF-8 form of the UTF-16 units in bytes (the byte order mark already removed),
// read in the given byte order. A surrogate pair becomes one four-byte character; a lone
// surrogate keeps its three-byte form. An odd last byte is no unit and is ignored. Returns
// the byte offset in bytes of the first lone surrogate, or -1 when there is none.
int32_t appendUtf8FromUtf16(TextString& out, TextView bytes, bool bigEndian, Utf16End end);

// Appends Windows-1252 bytes as UTF-8. The five bytes that code page leaves undefined map to
// the control characters of the same number, as Windows converts them.
void appendUtf8FromWindows1252(TextString& out, TextView bytes);
