// What the process takes down at its orderly end, whichever way it ends: main returning (the
// start-up sequence's teardown), System.exit (the runtime's exit hook, which a termination
// signal reaches through System.exit(0)), a failed creation that the runtime ends by itself,
// and a refused start.
//
// One routine does it, once: the first call wins, later calls do nothing, so nothing is written
// out or removed twice. It takes the tray icons out of the notification area (which would
// otherwise keep them until the mouse passes), stops the instance registry, leaves its shared
// block (the last process of the user's application to leave removes the block's name) and
// removes the single-instance guard's lock file. When the process is exiting under the
// runtime's feet (ProcessEnd::Exiting) the routine makes no JNI call, takes no lock that
// another thread may hold, waits only bounded, and closes no object that a thread still in
// native code may be using: the process's end frees them.
//
// The entry owns these objects; ProcessObjectsGuard publishes them for its scope and ends them
// with this same routine when the scope ends. The exit hook and a refused start call the
// routine directly, since no destructor runs there.
//
// Same on every platform; what is removed differs (Linux: files in the user's directory;
// Windows: kernel objects, which go with their last handle anyway).
#pragma once

#include "platform/shared_memory.h"

class ConfigStore;
class InstanceRegistry;
class JvmSession;

enum class ProcessEnd {
    Returning,  // the start-up sequence tears down after the launch has returned
    Exiting,    // the process ends now (System.exit, a runtime that ends it, a refused start)
    // A termination signal that System.exit did not turn into an exit (no virtual machine, or
    // the runtime refused): only the tray icons go, since the signal is passed on to a handler
    // that may end the process; the shared objects stay for the end that follows.
    Interrupted,
};

// Names the registry and its block that the end takes down (both live until the process ends).
void keepForProcessEnd(InstanceRegistry* registry, platform::SharedMemory* block);

// Takes them down, once (the tray icons, once, at every kind of end).
void endProcessObjects(ProcessEnd how);

// For its scope, the process-wide pointers (activeConfig, activeSession, activeRegistry) name
// the entry's objects, and the registry and its block are the ones the end takes down. At the
// end of the scope it clears the pointers, then ends the objects with
// endProcessObjects(ProcessEnd::Returning) (nothing when an exit already did).
class ProcessObjectsGuard {
  public:
    ProcessObjectsGuard(ConfigStore& config, JvmSession& session, InstanceRegistry& registry,
                        platform::SharedMemory& block);
    ProcessObjectsGuard(const ProcessObjectsGuard&) = delete;
    ProcessObjectsGuard& operator=(const ProcessObjectsGuard&) = delete;
    ~ProcessObjectsGuard();
};
