// A failed start under Wine says why: message 4 holds what the test runtime printed through
// the launcher's vfprintf hook, also when the runtime ends the process itself during creation.
#include <gtest/gtest.h>

#include "wine-e2e/window_probe.h"
#include "wine-e2e/wine_launch_fixture.h"

namespace {

const char kBoxClass[] = "#32770";
const char kReason[] =
    "Error occurred during initialization of VM\nInvalid maximum heap size: -Xmx9g";

TEST(FailureReason, MessageFourCarriesTheRuntimesLastLines) {
    struct Case {
        const char* name;
        EnvChange failure;
    };
    const Case cases[] = {
        {"creation returns an error", {"WYN_TEST_RUNTIME_CREATE_RESULT", true, "-1"}},
        {"the runtime aborts", {"WYN_TEST_RUNTIME_CREATE_END", true, "abort"}},
        {"the runtime exits", {"WYN_TEST_RUNTIME_CREATE_END", true, "exit"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WineLaunch launch;
        std::string exe = launch.pack(WYN_E2E_STUB, std::string("jvmdll=") +
                                                        WYN_TEST_RUNTIME_LIBRARY +
                                                        "\nmainclass=app/Main\n");
        LauncherProcess process;
        ASSERT_TRUE(process.start(exe, "",
                                  withEnv(launch.baseEnvironment(),
                                          {c.failure, {"WYN_TEST_RUNTIME_CREATE_PRINT", true, kReason}})));
        HWND box = waitForWindow(kBoxClass, process.processId());
        ASSERT_NE(box, nullptr);
        MessageBoxView view = readMessageBox(box);
        pressOk(box);
        EXPECT_EQ(view.text, std::string("Java Virtual Machine starts failed.\n\n") + kReason);
        EXPECT_EQ(process.wait(), 4);
    }
}

}  // namespace
