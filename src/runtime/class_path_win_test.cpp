// The class path on Windows: patterns written with backslashes keep them, below the
// executable's directory.
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
    std::string dir = config.directory();
    bool xFirst = got == exe + ";" + dir + "lib\\x.jar;" + dir + "lib\\y.jar";
    bool yFirst = got == exe + ";" + dir + "lib\\y.jar;" + dir + "lib\\x.jar";
    EXPECT_TRUE(xFirst || yFirst) << got;
}

}  // namespace
