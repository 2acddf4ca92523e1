// What a packed launcher does for the process as Windows sees it: tray icons taken out of the
// notification area when the application ends with System.exit, the stack of the thread that
// runs main, and the taskbar identity of `appusermodelid`. Each launch writes its trace to a
// file beside the program (the `trace` key), which the tests read.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "wine-e2e/wine_launch_fixture.h"

namespace {

// The trace lines of the launch that contain part.
std::vector<std::string> traceLinesWith(const WineLaunch& launch, const std::string& part) {
    std::vector<std::string> found;
    for (const std::string& line : WineLaunch::lines(launch.file("trace.log"))) {
        if (line.find(part) != std::string::npos) {
            found.push_back(line);
        }
    }
    return found;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(TrayAtExit, IconsAreRemovedWhenTheApplicationCallsSystemExit) {
    WineLaunch launch;
    launch.copyTestRuntime("jre");
    std::string exe = launch.pack(WYN_E2E_STUB, "mainclass=app/Main\ntrace=trace.log\n");
    int code = launch.run(
        exe, "",
        withEnv(launch.baseEnvironment(), {{"WYN_TEST_RUNTIME_CLASSES", true,
                                            "app/Main:main,com/tarnwick/wyn/SystemTray:tray-icon"},
                                           {"WYN_TEST_RUNTIME_MAIN_SCRIPT", true,
                                            "load-library:wyn,tray-icon:1,tray-icon:2,exit:3"}}));
    EXPECT_EQ(code, 3) << "System.exit's status is the exit code";
    EXPECT_EQ(launch.runtimeRecords("exit "), std::vector<std::string>({"exit 3"}));
    std::vector<std::string> removed = traceLinesWith(launch, "tray icons removed");
    ASSERT_EQ(removed.size(), 1u) << "the exit hook removes the icons, once";
    EXPECT_TRUE(endsWith(removed[0], "tray icons removed: 2 (2 shown)")) << removed[0];
    EXPECT_TRUE(traceLinesWith(launch, "main returned").empty()) << "main never returned";
}

TEST(TrayAtExit, IconsAreRemovedOnceWhenMainReturns) {
    WineLaunch launch;
    launch.copyTestRuntime("jre");
    std::string exe = launch.pack(WYN_E2E_STUB, "mainclass=app/Main\ntrace=trace.log\n");
    ASSERT_EQ(
        launch.run(
            exe, "",
            withEnv(launch.baseEnvironment(),
                    {{"WYN_TEST_RUNTIME_CLASSES", true,
                      "app/Main:main,com/tarnwick/wyn/SystemTray:tray-icon"},
                     {"WYN_TEST_RUNTIME_MAIN_SCRIPT", true, "load-library:wyn,tray-icon:1"}})),
        0);
    std::vector<std::string> removed = traceLinesWith(launch, "tray icons removed");
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_TRUE(endsWith(removed[0], "tray icons removed: 1 (1 shown)")) << removed[0];
}

// The stack reservation that the executable's header asks for: the size of a thread made
// without a size of its own.
long long defaultStackReservation(const std::string& exe) {
    std::ifstream in(exe, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) {
        return -1;
    }
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    if (bytes.size() < static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS)) {
        return -1;
    }
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(bytes.data() + dos->e_lfanew);
    return static_cast<long long>(nt->OptionalHeader.SizeOfStackReserve);
}

TEST(HeadlessLaunchThread, MainRunsOnAStackOfTheXssSize) {
    struct Case {
        const char* options;
        long long expected;  // 0: the executable's default
    };
    const Case cases[] = {
        {"", 0},
        {"option=-Xmx64m\n", 0},
        {"option=-Xss4m\n", 4LL << 20},
        {"option=-Xss8m\noption=-Xss3m\n", 3LL << 20},
        {"option=-Xss6144k\n", 6LL << 20},
    };
    for (const Case& c : cases) {
        WineLaunch launch;
        launch.copyTestRuntime("jre");
        std::string exe =
            launch.pack(WYN_E2E_STUB, std::string("mainclass=app/Main\n") + c.options);
        ASSERT_EQ(launch.run(exe, "",
                             withEnv(launch.baseEnvironment(),
                                     {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"},
                                      {"WYN_TEST_RUNTIME_LOG_STACK", true, "1"}})),
                  0);
        long long expected = c.expected != 0 ? c.expected : defaultStackReservation(exe);
        ASSERT_GT(expected, 0);
        EXPECT_EQ(launch.runtimeRecords("stack-size "),
                  std::vector<std::string>({"stack-size " + std::to_string(expected)}))
            << "options: " << c.options;
    }
}

TEST(HeadlessTaskbarIdentity, TheConfiguredIdIsSetBeforeAnyWindow) {
    struct Case {
        const char* config;
        std::vector<std::string> expected;  // the trace lines that name the key, their ends
    };
    const Case cases[] = {
        {"appusermodelid=Example.WynTest.Editor\n", {"appusermodelid Example.WynTest.Editor: set"}},
        {"appusermodelid=Example WynTest\n",
         {"appusermodelid Example WynTest: not set, it contains a blank"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        WineLaunch launch;
        launch.copyTestRuntime("jre");
        std::string exe = launch.pack(
            WYN_E2E_STUB, std::string("mainclass=app/Main\ntrace=trace.log\n") + c.config);
        ASSERT_EQ(launch.run(exe, "",
                             withEnv(launch.baseEnvironment(),
                                     {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"}})),
                  0);
        std::vector<std::string> lines = traceLinesWith(launch, "appusermodelid");
        ASSERT_EQ(lines.size(), c.expected.size()) << c.config;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(endsWith(lines[i], c.expected[i])) << lines[i];
        }
        std::vector<std::string> all = WineLaunch::lines(launch.file("trace.log"));
        auto identity = std::find_if(all.begin(), all.end(), [](const std::string& line) {
            return line.find("appusermodelid") != std::string::npos;
        });
        auto firstWindow = std::find_if(all.begin(), all.end(), [](const std::string& line) {
            return line.find("tray events:") != std::string::npos;
        });
        EXPECT_TRUE(identity == all.end() || identity < firstWindow)
            << "the identity comes before the tray's message window";
    }
}

}  // namespace
