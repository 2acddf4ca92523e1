// The class path on Windows: patterns written with backslashes keep them.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "runtime/class_path.h"
#include "support/configured_app.h"
#include "support/scratch_tree.h"

namespace {

TEST(ClassPathWin, PatternEntriesAreWrittenAsThePatternWasWritten) {
    EnvironmentScope unsetFirst("CLASSPATH", nullptr);
    EnvironmentScope unsetSecond("CLASS_PATH", nullptr);
    ScratchTree app;
    app.file("lib/x.jar");
    app.file("lib/y.jar");
    CurrentDirectoryScope cwd(app.root());
    ConfiguredApp config(app, "java_classpath lib\\*.jar");
    std::string exe = platform::executablePath().c_str();
    std::string got = buildClassPath(ClassPathForm::Executable).c_str();
    bool xFirst = got == exe + ";lib\\x.jar;lib\\y.jar";
    bool yFirst = got == exe + ";lib\\y.jar;lib\\x.jar";
    EXPECT_TRUE(xFirst || yFirst) << got;
}

}  // namespace
