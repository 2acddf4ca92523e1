// The command-line splitter shared by the argument builder and the JVM session.
//
// It cuts a text in place into entries by blanks (space, tab) with the Windows runtime's
// rules: double quotes toggle quoting and are dropped; 2k backslashes before a quote give k
// backslashes and toggle quoting, 2k+1 give k backslashes and a literal quote; backslashes
// before anything else stay. The same rules apply on Linux, where the launcher rebuilds a
// command line from argv.
#pragma once

#include <cstdint>

#include "base/text.h"

// Appends a pointer to each entry (inside text) to output. With marks, each entry gets
// 0 (no wildcard), 1 (wildcards, none inside quotes) or -1 (a wildcard inside quotes).
// Returns the number of entries in output, including those appended by earlier calls.
int splitCommandLine(char* text, ItemArray<char*>& output, ItemArray<int32_t>* marks);
