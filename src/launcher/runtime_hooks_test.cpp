// The runtime's messages through the vfprintf hook: passed on to the stream the runtime named,
// and the last lines of those printed during creation kept as the reason of a failed creation.
#include "launcher/runtime_hooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

jint printAsRuntime(std::FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    jint n = onRuntimeMessage(stream, format, args);
    va_end(args);
    return n;
}

TEST(RuntimeHooks, CreationKeepsTheLastLinesAsTheReason) {
    struct Case {
        const char* name;
        std::vector<std::string> printed;
        std::string reason;
    };
    const std::string longLine(700, 'x');
    const std::vector<Case> cases = {
        {"nothing printed", {}, ""},
        {"two lines in pieces",
         {"Error occurred during initialization of VM\n", "Could not reserve %s for %d KB", " heap",
          "\n\n"},
         "Error occurred during initialization of VM\nCould not reserve space for 42 KB heap"},
        {"only the last four lines",
         {"one\ntwo\nthree\nfour\nfive\nsix\n"},
         "three\nfour\nfive\nsix"},
        {"blank lines around", {"\n\n  first\nsecond  \n \n"}, "first\nsecond"},
        {"at most 600 bytes", {"start\n" + longLine}, longLine.substr(100)},
    };
    testing::internal::CaptureStderr();
    for (const Case& c : cases) {
        beginVmCreation();
        for (const std::string& piece : c.printed) {
            printAsRuntime(stderr, piece.c_str(), "space", 42);
        }
        endVmCreation();
        printAsRuntime(stderr, "printed after creation\n");
        EXPECT_EQ(std::string(vmCreationReason().c_str()), c.reason) << c.name;
    }
    std::string passedOn = testing::internal::GetCapturedStderr();
    EXPECT_NE(passedOn.find("Could not reserve space for 42 KB heap"), std::string::npos);
    EXPECT_NE(passedOn.find("printed after creation"), std::string::npos);
}

TEST(RuntimeHooks, OutputKeepsItsStream) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(printAsRuntime(stdout, "%s occurred during initialization of VM\n", "Error"), 43);
    printAsRuntime(stderr, "Invalid maximum heap size: %s\n", "-Xmx9g");
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "Error occurred during initialization of VM\n");
    EXPECT_EQ(err, "Invalid maximum heap size: -Xmx9g\n");
}

}  // namespace
