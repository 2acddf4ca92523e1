// Handlers for the termination signals SIGINT and SIGTERM.
//
// Windows: the C runtime's signal(); the runtime calls the handler on a thread of its own.
// Linux: a signal may interrupt any thread at any point, where calling into the Java runtime
// could deadlock. So the installed handler only writes the signal number into a pipe, and a
// watcher thread calls the handler outside signal context. Handlers installed before with
// SA_SIGINFO (the Java runtime's own) cannot be called with one argument and are reported as
// SIG_DFL.
#pragma once

namespace platform {

using SignalHandler = void (*)(int);

// Installs handler for signal and returns the handler that was in place (SIG_ERR on failure).
SignalHandler installSignalHandler(int signal, SignalHandler handler);

}  // namespace platform
