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
// startDetachedProcess: a program started on its own, which outlives this process and
// is no part of its console, job or session: its standard input, output and error are the
// null device, and it runs at a lower priority, so that it neither writes into the user's
// output nor competes with the user's next start. Windows: CreateProcessA with
// DETACHED_PROCESS | CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP | BELOW_NORMAL_PRIORITY_CLASS,
// the arguments quoted the way the C runtime splits them back, the standard handles NUL.
// Linux: forked twice, so that init reaps it, with setsid, nice 10 and execv; the pid
// travels back through a close-on-exec pipe, which also reports a failed execv.
//
// isElevated: Windows reads the process token's elevation (always true before Vista); on
// Linux a process counts as elevated when its effective user is root.
//
// Output targets for redirecting standard output and error. An OutputHandle is the
// system's own: a HANDLE's value (sign-extended to 64 bits) on Windows, a descriptor on Linux.
//   openAppendFile: Windows opens with append-only access (FILE_APPEND_DATA), Linux with
//     O_APPEND, so every write lands at the current end even when another process appends to
//     the same file. Created when missing (Linux: mode 0666 less the umask).
//   startPipedCommand: Windows runs the command line with CreateProcessA, without a window
//     and without output handles (arguments must be empty: the line holds everything); Linux
//     runs /bin/sh -c with the line as script and arguments as its positional parameters
//     ($1, $2, …), its output to /dev/null. Its standard input is a new pipe; the launcher
//     keeps only the write end (never inherited by later children), so once the command has
//     gone a write fails instead of blocking. Linux also ignores SIGPIPE from then on, so that
//     a write to a command that has gone cannot end the process.
//     A command that cannot be run counts as not started, and failure says why: Windows, when
//     CreateProcessA fails (the system's message); Linux, when the shell ends with 127 (no such
//     program) or 126 (not executable) within a quarter of a second of its start, the time
//     the launcher waits before it takes the command as started. A command that ends later,
//     or with another exit code, has run: the write end is returned.
//   Linux descriptors of targets are 3 or above, so a target is never taken for a standard
//     stream that happened to be closed at start.
//   replaceStandardStream: Windows sets the standard handle (SetStdHandle) and points the C
//     runtime's descriptor 1 or 2, and with it stdout or stderr, at a copy of the target;
//     Linux puts the target on descriptor 1 or 2 with dup2, which stdout and stderr follow.
//     With the environment variable WYN_REDIRECT_FALLBACK set to 1 the standard stream is
//     left alone and the call reports that it did not take, so that the Java-side fallback
//     can be exercised where the system would always take the new handle.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"

namespace platform {

// The command line of the process, program name first.
TextString rawCommandLine(int argc, char** argv);

// True when the process runs with administrator rights.
bool isElevated();

// Starts the program argv[0] (a full path) with argv, detached; its process id, or 0 when
// it could not be started.
[[nodiscard]] int32_t startDetachedProcess(const StringList& argv);

using OutputHandle = int64_t;
constexpr OutputHandle kNoOutput = -1;

enum class StandardStream { Output, Error };

// What a standard stream was before replaceStandardStream, for restoreStandardStream.
struct SavedStandardStream {
    bool saved = false;
    OutputHandle handle = kNoOutput;  // Windows: the standard handle; Linux: a copy of the
                                      // descriptor (kNoOutput: it was closed)
    int runtimeDescriptor = -1;       // Windows: a copy of the C runtime's descriptor, or -1
};

// The file opened for appending (created when missing), or kNoOutput.
[[nodiscard]] OutputHandle openAppendFile(const char* path);
// Starts commandLine with a new pipe as its standard input and returns the pipe's write end;
// kNoOutput, with failure saying why, when the pipe or the process cannot be made or the
// command cannot be run.
[[nodiscard]] OutputHandle startPipedCommand(const char* commandLine, const StringList& arguments,
                                             TextString& failure);
// Writes all size bytes; false when the target refused them (the rest is dropped).
bool writeOutput(OutputHandle target, const void* data, size_t size);
void closeOutput(OutputHandle target);

// Flushes the C stream, saves the standard stream into saved and puts target in its place;
// buffered selects full buffering of the C stream, else none. True when the standard stream
// now is target; false when it did not take (saved then tells what to restore, if anything).
bool replaceStandardStream(StandardStream which, OutputHandle target, bool buffered,
                           SavedStandardStream& saved);
// Flushes the C stream and puts back what saved holds; saved is empty afterwards.
void restoreStandardStream(StandardStream which, SavedStandardStream& saved);

}  // namespace platform
