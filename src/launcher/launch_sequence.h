// The launch sequence: turns the configuration into a running Java application on the
// calling thread (the launch thread, or the main thread with -XstartOnFirstThread).
//
// It collects the virtual machine's options, finds and starts the runtime, sets `property` values,
// checks the version bounds, hooks the splash to the application, and calls main with the `argv`
// values and the command-line arguments. Every failure is shown to the user here, once, before the
// failure's message id is returned; message 4 carries the runtime's own last lines, messages 7
// and 8 the main class.
//
// Platforms: the same sequence everywhere. On Linux, where the executable cannot be loaded
// as a library, the support classes' natives are registered here before main.
#pragma once

#include <jni.h>

#include "base/text.h"

class ConfigStore;

// Sets every `export` value and removes an inherited JAVA_TOOL_OPTIONS or
// JDK_AOT_VM_OPTIONS unless one of that name was exported. The entry calls it before anything can
// load the runtime: a runtime's C library takes its own copy of the environment when it is loaded
// (on Windows), and the runtime splash loads it ahead of the launch.
void applyEnvironment(const ConfigStore& config);

// 0 when main was called and has returned normally; 1 without a message when main ended
// with an uncaught exception (its stack trace is on standard error); else the id of the
// message shown (1, 2, 4, 5, 6, 7, 8 or 12).
int launchApplication(int argc, char** argv, void (*onVmStarted)());

// Shows message 4 with the runtime's reason (see runtime_hooks.h) and returns 4.
int reportVmCreationFailure();

// Sets one system property from "name=value" (no '=': the value is empty).
void setSystemProperty(JNIEnv* env, TextView text);

// Registers the listener that closes the splash when the first window opens.
void registerSplashCloseListener(JNIEnv* env);
