// The running process as the launcher sees it: its command line and its privileges.
//
// rawCommandLine: Windows hands every process its command line as one text, which
// GetCommandLineA returns exactly as it was given (argc and argv are ignored). Linux passes
// only argv, so one text is rebuilt from it: an argument is written as it stands unless it
// holds a blank, a tab or a double quote or is empty; such an argument is put in double
// quotes, with a backslash before each of its double quotes and its backslash runs doubled
// where they precede a quote. Splitting that text with the launcher's command-line splitter
// gives back argv, and a wildcard in an argument that needed no quotes counts as unquoted.
//
// isElevated: Windows reads the process token's elevation (always true before Vista); on
// Linux a process counts as elevated when its effective user is root.
#pragma once

#include "base/text.h"

namespace platform {

// The command line of the process, program name first.
TextString rawCommandLine(int argc, char** argv);

// True when the process runs with administrator rights.
bool isElevated();

}  // namespace platform
