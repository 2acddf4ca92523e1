// The process entry's start-up sequence, its launch thread and its signal handling.
//
// The entry builds the process-wide objects, applies the keys that act before the virtual
// machine exists (splash, forcecwd, stderr and stdout, singleinstance, wildcard, and the
// option that keeps the launch on the first thread), runs the launch, tears down in order and
// returns the exit code (launcher/launch_result.h): 0 on success, the id of the message shown
// on a failed launch, 1 when main threw, 11 for a refused second instance. Each of these is a
// named step; ProcessObjectsGuard (process_end.h) publishes the process-wide objects and
// takes them down.
//
// Platforms: the launch thread is _beginthreadex on Windows and a pthread on Linux; paths in
// forcecwd are resolved with GetFullPathNameA on Windows and lexically on Linux.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "launcher/launch_result.h"
#include "platform/sync.h"

class ConfigStore;

// The record handed from the entry to the launch.
struct LaunchRequest {
    int32_t argumentCount;  // program arguments, not counting the program name
    char** argumentVector;  // the first program argument
    void (*onVmStarted)();  // called once the virtual machine is accepted
    LaunchResult result;    // the launch result, written by runLaunch
};

// The whole entry: start-up, launch, teardown. Returns the process exit code.
[[nodiscard]] int runStartup(int argc, char** argv);

// Runs fn(argument) on a new thread (the stack size a reservation, then a plain size) and
// waits for it; calls it directly when no thread can be made. Returns its result.
unsigned runOnLaunchThread(platform::ThreadFunction fn, unsigned stackSize, void* argument);

// The launch thread's entry: the launch, then unloading the runtime on the same thread.
unsigned WYN_THREAD_CALL runLaunch(void* request);

// Called by the launch sequence once the virtual machine is accepted.
void onVmStarted();

// Turns SIGINT and SIGTERM into System.exit(0), then passes the signal on.
void onTerminationSignal(int signal);

// Message 14 (UTF-8) when the executable's path has no ANSI form to hand on (class path,
// wyn.app.path, application.home), so that the start must stop; empty otherwise.
TextString executablePathProblem(const ConfigStore& config);

// Makes value, resolved against the executable's directory, the working directory.
void forceWorkingDirectory(TextView value);

// Resolves path against base; returns what GetFullPathNameA returns for the result.
[[nodiscard]] int32_t resolveAgainstDirectory(TextView base, TextView path, char* buffer,
                                              int32_t size);
