// The outcome of a launch and of each of its steps, and the exit code the process ends with.
//
// Every failure the user is told about is named after its message (config/messages.h): the
// value is the message id, which is also the exit code. Two outcomes show no message:
// Success (exit code 0) and MainThrew (main ended with an uncaught exception; exit code 1,
// as the `java` launcher gives it). A refused second instance shows message 13 and ends with
// exit code 11, which programs that start the launcher rely on.
//
// Same on every platform.
#pragma once

#include "config/messages.h"

enum class LaunchResult : int {
    Success = 0,
    RuntimeNotFound = kMessageRuntimeNotFound,
    RuntimeNotValid = kMessageRuntimeNotValid,
    VmStartFailed = kMessageVmStartFailed,
    VersionUnknown = kMessageVersionUnknown,
    VersionTooLow = kMessageVersionTooLow,
    MainClassNotFound = kMessageMainClassNotFound,
    MainMethodMissing = kMessageMainMethodMissing,
    VersionTooHigh = kMessageVersionTooHigh,
    AlreadyRunning = kMessageAlreadyRunning,
    PathWithoutAnsiForm = kMessagePathWithoutAnsiForm,
    ProgramDamaged = kMessageProgramDamaged,
    RuntimeCacheFailed = kMessageRuntimeCacheFailed,
    // Not a message: main ran and ended with an uncaught exception (its stack trace is on
    // standard error).
    MainThrew = -1,
};

constexpr int kExitCodeMainThrew = 1;
constexpr int kExitCodeAlreadyRunning = 11;

// The id of the message that belongs to result; 0 for Success and MainThrew, which show none.
[[nodiscard]] constexpr int messageIdOf(LaunchResult result) {
    return result == LaunchResult::MainThrew ? 0 : static_cast<int>(result);
}

// The process's exit code for result.
[[nodiscard]] constexpr int exitCodeOf(LaunchResult result) {
    switch (result) {
        case LaunchResult::MainThrew:
            return kExitCodeMainThrew;
        case LaunchResult::AlreadyRunning:
            return kExitCodeAlreadyRunning;
        default:
            return static_cast<int>(result);
    }
}
