// Where the configuration text comes from: the external file beside the executable and the
// text embedded in the executable's payload, both decoded into one UTF-8 text.
//
// For an executable C:\apps\run.exe the external candidates are, in order: run.exe.cfg,
// run.exe.config, run.cfg, run.config (each beside it); the first one that can be read is
// used. A source is decoded by its byte order mark: UTF-8, UTF-16 little- or big-endian, and
// without a mark ANSI (the process code page). Each source ends at its first NUL.
//
// Platforms: the same rules on Windows and Linux. On Linux a path separator is '/' only, but
// a backslash is still treated as one here, the way the Windows launcher reads paths.
#pragma once

#include "base/text.h"

// Decodes raw by its byte order mark and appends the UTF-8 result to text. A UTF-8 source is
// appended as it is, NUL bytes included (the embedded text keeps its closing NUL).
void appendDecoded(TextString& text, TextView raw);

// The external configuration files tried for an executable, in order (four names; an
// executable without an extension yields the same two names twice). None for an empty path.
void externalConfigCandidates(TextView exePath, StringList& candidates);

// Reads the first external configuration file that exists and opens (exePath and the
// candidates are exact paths, see platform/files.h); false when none does.
[[nodiscard]] bool readExternalConfig(TextView exePath, ByteBuffer& raw);

// The part of path up to and including its last '/' or '\'; empty when it has none.
TextString directoryOf(TextView path);

// The current directory with a '/' appended unless it already ends in a separator; empty
// when the current directory cannot be read.
TextString currentDirectoryWithSeparator();
