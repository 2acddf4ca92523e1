// Expansion of a path pattern with '*' and '?' into the files and directories it names,
// component by component, depth first, in the order the directory enumeration lists them.
// The argument builder and the class path both use it.
//
// Components are separated as the platform separates them (platform::isPathSeparator).
// Windows: each component goes to FindFirstFileA. Linux: each component is matched with
// fnmatch over a directory enumeration, '\\' and '[' being ordinary characters there; a name
// that an enumeration produced is never read again as a pattern, since on Linux it may itself
// hold '*' or '?'.
#pragma once

#include "base/text.h"

// Appends every match of pattern to output, depth first, in enumeration order. The first
// literalLength bytes of pattern name a directory as it stands: a '*' or '?' in them is no
// wildcard.
void expandWildcards(const char* pattern, StringList& output, int32_t literalLength = 0);
