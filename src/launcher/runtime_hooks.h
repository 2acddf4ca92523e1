// The functions the launcher hands the runtime through the invocation API's hook options.
//
// exit: the runtime calls it when the process ends through System.exit (or the end of the
// virtual machine), possibly from a runtime whose C library is not the launcher's, so that
// nothing the launcher's own C streams still hold is lost: it flushes them.
//
// Platforms: the same everywhere; JNICALL is the runtime's calling convention.
#pragma once

#include <jni.h>

class JvmSession;

void JNICALL onRuntimeExit(jint code);

// Adds the hooks to the options of the session's next creation.
void addRuntimeHooks(JvmSession& session);
