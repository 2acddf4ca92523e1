// The launch sequence: turns the configuration into a running Java application on the
// calling thread (the launch thread, or the main thread with -XstartOnFirstThread).
//
// It collects the virtual machine's options, finds and starts the runtime, sets `property` values,
// checks the version bounds, hooks the splash to the application, and calls main with the `argv`
// values and the command-line arguments, each a named step that returns a LaunchResult. Every
// failure is shown to the user here, once, before its result is returned; message 4 carries the
// runtime's own last lines, messages 7 and 8 the main class.
//
// Platforms: the same sequence everywhere. On Linux, where the executable cannot be loaded
// as a library, the support classes' natives are registered here before main.
#pragma once

#include <jni.h>

#include "base/text.h"
#include "launcher/launch_result.h"

class ConfigStore;

// Sets every `export` value and removes an inherited JAVA_TOOL_OPTIONS or
// JDK_AOT_VM_OPTIONS unless one of that name was exported. The entry calls it before anything can
// load the runtime: a runtime's C library takes its own copy of the environment when it is loaded
// (on Windows), and the runtime splash loads it ahead of the launch.
void applyEnvironment(const ConfigStore& config);

// Success when main was called and has returned normally; MainThrew, without a message, when
// main ended with an uncaught exception (its stack trace is on standard error); else the
// failure whose message was shown (RuntimeNotFound, RuntimeNotValid, VmStartFailed,
// VersionUnknown, VersionTooLow, MainClassNotFound, MainMethodMissing or VersionTooHigh).
[[nodiscard]] LaunchResult launchApplication(int argc, char** argv, void (*onVmStarted)());

// Shows message 4 with the runtime's reason (see runtime_hooks.h) and returns VmStartFailed.
[[nodiscard]] LaunchResult reportVmCreationFailure();

// Sets one system property from "name=value" (no '=': the value is empty).
void setSystemProperty(JNIEnv* env, TextView text);

// Registers the listener that closes the splash when the first window opens.
void registerSplashCloseListener(JNIEnv* env);
