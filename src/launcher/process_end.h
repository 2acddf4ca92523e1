// What the process takes down at its orderly end, whichever way it ends: main returning (the
// start-up sequence's teardown), System.exit (the runtime's exit hook, which a termination
// signal reaches through System.exit(0)), a failed creation that the runtime ends by itself,
// and a refused start.
//
// One routine does it, once: the first call wins, later calls do nothing, so nothing is written
// out or removed twice. It stops the instance registry, leaves its shared block (the last
// process of the user's application to leave removes the block's name) and removes the
// single-instance guard's lock file. When the process is exiting under the runtime's feet
// (ProcessEnd::Exiting) the routine makes no JNI call, takes no lock that another thread may
// hold, waits only bounded, and closes no object that a thread still in native code may be
// using: the process's end frees them.
//
// Same on every platform; what is removed differs (Linux: files in the user's directory;
// Windows: kernel objects, which go with their last handle anyway).
#pragma once

#include "platform/shared_memory.h"

class InstanceRegistry;

enum class ProcessEnd {
    Returning,  // the start-up sequence tears down after the launch has returned
    Exiting,    // the process ends now (System.exit, a runtime that ends it, a refused start)
};

// Names the registry and its block that the end takes down (both live until the process ends).
void keepForProcessEnd(InstanceRegistry* registry, platform::SharedMemory* block);

// Takes them down, once.
void endProcessObjects(ProcessEnd how);
