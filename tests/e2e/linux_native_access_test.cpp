// Native access for the support classes through the packed Linux launcher with the real JDK:
// on a runtime of release 24 or later their first use loads the launcher's natives without
// the runtime's "restricted method" warning on the application's standard error; an older
// runtime is never handed the option; options of the configuration that decide native access
// themselves are left as they are.
#include <string>
#include <vector>

#include "e2e/launch_fixture.h"

namespace {

const char kRestrictedWarning[] = "restricted method";
const char kOption[] = "option --enable-native-access";

class LinuxNativeAccess : public LaunchTest {
  protected:
    void SetUp() override {
        LaunchTest::SetUp();
        later_ = laterRuntime(24);
    }

    std::string packNativesApp(const std::string& more = "") {
        return pack(E2ePaths::linuxStub(),
                    "mainclass com.example.natives.NativesApp\njre_order e\n" + more,
                    {WYN_E2E_NATIVES_APP_JAR}, "natives");
    }

    ChildResult launch(const std::string& exe, const std::string& jdk, bool traced) {
        std::vector<std::string> env = {"JAVA_HOME=" + jdk};
        if (traced) {
            env.push_back("WYN_TRACE=1");
        }
        return run(exe, {}, env,
                   {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "JAVA_TOOL_OPTIONS", "JDK_JAVA_OPTIONS",
                    "WYN_TRACE"});
    }

    std::string later_;
};

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(LinuxNativeAccess, LaterRuntimeLoadsTheNativesWithoutAWarning) {
    if (later_.empty()) {
        GTEST_SKIP() << "no runtime of release 24 or later in /usr/lib/jvm";
    }
    std::string exe = packNativesApp();
    ChildResult quiet = launch(exe, later_, false);
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_NE(quiet.out.find("natives=ok"), std::string::npos) << quiet.out;
    EXPECT_NE(quiet.out.find("native-access-options=--enable-native-access=ALL-UNNAMED\n"),
              std::string::npos)
        << quiet.out;
    EXPECT_EQ(quiet.err, "") << "the launcher adds nothing to the application's standard error";

    ChildResult traced = launch(exe, later_, true);
    ASSERT_EQ(traced.exitCode, 0) << traced.err;
    EXPECT_EQ(occurrences(traced.err, "option --enable-native-access=ALL-UNNAMED"), 1u)
        << traced.err;
    EXPECT_NE(traced.err.find("native access: runtime release"), std::string::npos) << traced.err;
    EXPECT_EQ(traced.err.find(kRestrictedWarning), std::string::npos) << traced.err;
}

TEST_F(LinuxNativeAccess, OlderRuntimeIsNeverHandedTheOption) {
    std::string exe = packNativesApp();
    ChildResult quiet = launch(exe, E2ePaths::jdk(), false);
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_NE(quiet.out.find("natives=ok"), std::string::npos) << quiet.out;
    EXPECT_NE(quiet.out.find("native-access-options=\n"), std::string::npos) << quiet.out;
    EXPECT_EQ(quiet.err, "");

    ChildResult traced = launch(exe, E2ePaths::jdk(), true);
    ASSERT_EQ(traced.exitCode, 0) << traced.err;
    EXPECT_EQ(traced.err.find(kOption), std::string::npos) << traced.err;
    EXPECT_NE(traced.err.find("native access: runtime release 17"), std::string::npos)
        << traced.err;
}

TEST_F(LinuxNativeAccess, ConfiguredChoiceIsKept) {
    if (later_.empty()) {
        GTEST_SKIP() << "no runtime of release 24 or later in /usr/lib/jvm";
    }
    // Native access for a named module only: the support classes, on the class path, are
    // not granted it, so the runtime warns, as the configuration asked.
    std::string exe = packNativesApp("option --enable-native-access=java.desktop\n");
    ChildResult r = launch(exe, later_, true);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("natives=ok"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("native-access-options=--enable-native-access=java.desktop\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(occurrences(r.err, kOption), 1u) << r.err;
    EXPECT_NE(r.err.find("option --enable-native-access=java.desktop"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(kRestrictedWarning), std::string::npos) << r.err;
}

}  // namespace
