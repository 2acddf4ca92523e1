// Each launch result names the message the user sees and the exit code the process ends with.
#include "launcher/launch_result.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LaunchResult, EachResultShowsItsMessageAndEndsWithItsExitCode) {
    struct Case {
        LaunchResult result;
        int messageId;
        int exitCode;
        const char* text;  // the default text of the message, or null when none is shown
    } cases[] = {
        {LaunchResult::Success, 0, 0, nullptr},
        {LaunchResult::MainThrew, 0, 1, nullptr},
        {LaunchResult::RuntimeNotFound, 1, 1, "Java Runtime Environment not found."},
        {LaunchResult::RuntimeNotValid, 2, 2, "Java Runtime Environment not valid."},
        {LaunchResult::VmStartFailed, 4, 4, "Java Virtual Machine starts failed."},
        {LaunchResult::VersionUnknown, 5, 5, "Can not get the virtual machine version."},
        {LaunchResult::VersionTooLow, 6, 6,
         "Java virtual machine version %s is too low, require %s or higher."},
        {LaunchResult::MainClassNotFound, 7, 7, "The main startup class could not be found."},
        {LaunchResult::MainMethodMissing, 8, 8,
         "The main startup class is not valid, main method missing."},
        {LaunchResult::VersionTooHigh, 12, 12,
         "Java virtual machine version %s is too high, version between %s and %s is required."},
        {LaunchResult::AlreadyRunning, 13, 11,
         "There is already an instance of this program running."},
        {LaunchResult::PathWithoutAnsiForm, 14, 14, "This program cannot start from %s"},
        {LaunchResult::ProgramDamaged, 15, 15,
         "The program file is damaged or incomplete. Download it again."},
        {LaunchResult::RuntimeCacheFailed, 17, 17,
         "The Java runtime inside this program cannot be unpacked into %s"},
    };
    for (const Case& c : cases) {
        int id = static_cast<int>(c.result);
        EXPECT_EQ(messageIdOf(c.result), c.messageId) << id;
        EXPECT_EQ(exitCodeOf(c.result), c.exitCode) << id;
        if (c.text != nullptr) {
            std::string text = getMessage(messageIdOf(c.result)).c_str();
            EXPECT_EQ(text.compare(0, std::string(c.text).size(), c.text), 0) << id << ": " << text;
        }
    }
}

// An uncaught exception in main ends like a failed start, but it is no message: its exit
// code must not be mistaken for "runtime not found", which shares the number.
TEST(LaunchResult, UncaughtExceptionIsNotTheMissingRuntime) {
    EXPECT_NE(LaunchResult::MainThrew, LaunchResult::RuntimeNotFound);
    EXPECT_EQ(exitCodeOf(LaunchResult::MainThrew), exitCodeOf(LaunchResult::RuntimeNotFound));
    EXPECT_EQ(messageIdOf(LaunchResult::MainThrew), 0);
}

}  // namespace
