// Running a JDK tool (jdeps, jlink) from the packer and collecting what it printed.
//
// The program is started by path (no shell, no PATH search), with standard input from
// /dev/null; its standard output and standard error are read as they come, so that neither
// pipe fills up and stalls it. An interrupt (see interruption.h) is passed on to it: the
// packer waits for it to end, then reports the interruption.
//
// Platforms: POSIX processes; the packer is a Linux host tool.
#pragma once

#include <string>
#include <vector>

#include "problem.h"

namespace wynpack {

struct ToolRun {
    int exitStatus = -1;  // the exit status, or -1 when a signal ended the program
    std::string out;
    std::string err;
};

// Runs argv[0] with the arguments and waits for it. False (status Failed) only when the
// program could not be started or the packer was interrupted; a program that ran and failed
// returns true with its exit status.
[[nodiscard]] bool runTool(const std::vector<std::string>& argv, ToolRun& run, Problem& problem);

// The last lines of a tool's output, at most maxBytes, for a message.
std::string outputTail(const std::string& output, size_t maxBytes = 2000);

}  // namespace wynpack
