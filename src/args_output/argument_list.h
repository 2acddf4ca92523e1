// The argument list handed to main, optionally rebuilt from the raw command line with
// wildcard expansion (platform/wildcard_expansion.h), and the vector of pointers into it.
//
// Windows: the raw command line is GetCommandLineA and patterns go to FindFirstFileA.
// Linux: there is no raw command line, so one is rebuilt from argv (quoting only arguments
// that need it); patterns are matched by fnmatch over a directory enumeration.
#pragma once

#include <cstdint>

#include "base/text.h"

// The modes of buildArgumentList.
constexpr int kExpandUnquotedWildcards = 1;  // entries whose wildcards are all unquoted
constexpr int kExpandAllWildcards = 2;       // every entry with a wildcard

// Expands as mode says (kExpandUnquotedWildcards or kExpandAllWildcards) and fills the
// process-wide argument list (program name first).
void buildArgumentList(int argc, char** argv, int mode);
// Clears vector and fills it with pointers to the argument list's entries; returns the count.
int toArgumentVector(ItemArray<char*>& vector);

// The process-wide argument list and vector.
StringList& argumentList();
ItemArray<char*>& argumentVector();
