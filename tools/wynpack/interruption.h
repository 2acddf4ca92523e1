// Turning Ctrl-C and termination requests into an orderly stop while the output is written.
//
// Once the packer has created temporary files, SIGINT, SIGTERM and SIGHUP only record the
// request: the writing steps look at interruptRequested() between pieces of work (and libzip
// through its cancel callback), remove every temporary file, and main then ends the process
// by the same signal, so the caller sees the usual "killed by signal" status. A second signal
// takes the default action at once.
//
// Platforms: POSIX signals; the packer is a Linux host tool.
#pragma once

namespace wynpack {

// Installs the recording handlers (without SA_RESTART, so a blocked read or write returns).
void installInterruptHandlers();

bool interruptRequested();

// Ends the process by the recorded signal with its default action; returns only when no
// signal was recorded.
void endIfInterrupted();

}  // namespace wynpack
