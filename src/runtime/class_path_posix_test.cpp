// The class path on Linux: ':' between entries, also in configured lines; an empty CLASSPATH.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "runtime/class_path.h"
#include "support/configured_app.h"
#include "support/scratch_tree.h"

namespace {

TEST(ClassPathPosix, EntriesAreSeparatedByColons) {
    EnvironmentScope unsetOther("CLASS_PATH", nullptr);
    EnvironmentScope restore("CLASSPATH", nullptr);
    ASSERT_EQ(setenv("CLASSPATH", "", 1), 0);
    ScratchTree app;
    ConfiguredApp config(app, "classpath a.jar;b.jar");
    std::string exe = platform::executablePath().c_str();
    std::string dir = config.directory();
    // The empty CLASSPATH still counts as set: the text ends with one more separator.
    EXPECT_EQ(std::string(classPathText().c_str()), exe + "::" + dir + "a.jar:" + dir + "b.jar:");
}

// A line copied from a -cp value: ':' separates its entries as ';' does, patterns included.
TEST(ClassPathPosix, LineEntriesMayBeSeparatedByColonsToo) {
    EnvironmentScope unsetOther("CLASS_PATH", nullptr);
    EnvironmentScope restore("CLASSPATH", nullptr);
    ScratchTree app;
    app.file("lib/one.jar");
    ConfiguredApp config(app, "classpath lib/*.jar:a.jar;b.jar::c.jar");
    std::string exe = platform::executablePath().c_str();
    std::string dir = config.directory();
    EXPECT_EQ(std::string(classPathText().c_str()),
              exe + "::" + dir + "lib/one.jar:" + dir + "a.jar:" + dir + "b.jar:" + dir + "c.jar");
}

}  // namespace
