// The functions the launcher hands the runtime through the invocation API's hook options.
//
// vfprintf: everything the runtime prints about itself ("Invalid maximum heap size", "Could
// not reserve enough space for object heap", its logs) goes on to the stream the runtime named,
// and while the virtual machine is being created the last of it is kept, so that the message
// of a failed creation can say why.
// While the runtime records the application's ahead-of-time cache, what it prints about
// that is not the application's output: dropRuntimeOutput stops passing anything on for
// the rest of the process (what is kept during creation is still kept).
// exit and abort: a runtime that fails during creation may end the process by itself instead
// of returning an error (no room for the heap: it calls abort). Then the launcher shows
// message 4 with the runtime's reason and ends with code 4, as for a creation that returned
// an error. Outside creation exit (System.exit, and so a termination signal) takes down what
// the process shows and shares with others (process_end.h: the tray icons, the instance
// registry and its block) and flushes the launcher's own C streams, which a runtime with another C
// library would not; abort (a crash) only flushes them, and the next start reuses or removes what
// the crashed process left.
//
// Platforms: the same everywhere; JNICALL is the runtime's calling convention. The runtime's
// stream is written through platform/c_streams.h (on Windows the runtime's C library may not
// be the launcher's).
#pragma once

#include <jni.h>

#include <cstdarg>
#include <cstdio>

#include "base/text.h"

class JvmSession;

// The runtime's format and arguments: the hook's contract is that of vfprintf.
jint JNICALL onRuntimeMessage(std::FILE* stream, const char* format, va_list args);
void JNICALL onRuntimeExit(jint code);
void JNICALL onRuntimeAbort();

// Adds the hooks to the options of the session's next creation.
void addRuntimeHooks(JvmSession& session);

// From now on the runtime's messages reach no stream.
void dropRuntimeOutput();

// Brackets the creation of the virtual machine: what the runtime prints in between is kept.
void beginVmCreation();
void endVmCreation();

// The last lines the runtime printed while the virtual machine was being created (at most
// four, 600 bytes), without surrounding blank lines; empty when it printed nothing.
TextString vmCreationReason();
