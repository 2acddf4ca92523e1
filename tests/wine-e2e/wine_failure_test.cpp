// A failed start under Wine says why: message 4 holds what the test runtime printed through
// the launcher's vfprintf hook, also when the runtime ends the process itself during creation;
// message 1 names the places searched;
// with `jredownloadurl` the box for a missing runtime asks, and Yes opens the page through
// the prefix's http handler (a stand-in that records the address) while No does not.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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
        std::string exe =
            launch.pack(WYN_E2E_STUB, std::string("jvmdll=") + WYN_TEST_RUNTIME_LIBRARY +
                                          "\nmainclass=app/Main\n");
        LauncherProcess process;
        ASSERT_TRUE(
            process.start(exe, "",
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

TEST(FailureReason, MessageOneNamesThePlacesSearched) {
    WineLaunch launch;
    std::string exe = launch.pack(WYN_E2E_STUB, "jre_order=be\nmainclass=app/Main\n");
    LauncherProcess process;
    ASSERT_TRUE(process.start(
        exe, "", withEnv(launch.baseEnvironment(), {{"JAVA_HOME", true, "C:\\nowhere"}})));
    HWND box = waitForWindow(kBoxClass, process.processId());
    ASSERT_NE(box, nullptr);
    MessageBoxView view = readMessageBox(box);
    pressOk(box);
    EXPECT_EQ(process.wait(), 1);
    EXPECT_EQ(view.text.rfind("Java Runtime Environment not found.\n\nLooked for a Java runtime "
                              "in:\n  ",
                              0),
              0u)
        << view.text;
    EXPECT_NE(view.text.find("jre/ (jre, beside the program)\n  JRE_HOME not set\n"
                             "  JAVA_HOME=C:\\nowhere\n"
                             "Set JAVA_HOME to the folder of a Java runtime, or put a runtime in a "
                             "folder named jre beside the program."),
              std::string::npos)
        << view.text;
}

size_t countStartingWith(const std::vector<std::string>& lines, const std::string& prefix,
                         const std::string& part) {
    size_t n = 0;
    for (const std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0 && line.find(part) != std::string::npos) {
            ++n;
        }
    }
    return n;
}

TEST(HeadlessTraceFile, EachStartAppendsItsHeaderAndDecisions) {
    WineLaunch launch;
    const std::string runtime =
        std::string("jvmdll=") + WYN_TEST_RUNTIME_LIBRARY + "\nmainclass=app/Main\n";
    std::vector<EnvChange> env =
        withEnv(launch.baseEnvironment(), {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"}});
    std::string exe = launch.pack(WYN_E2E_STUB, runtime + "trace=trace.log\n");
    EXPECT_EQ(launch.run(exe, "", env), 0);
    EXPECT_EQ(launch.run(exe, "", env), 0);
    std::vector<std::string> lines = WineLaunch::lines(launch.file("trace.log"));
    EXPECT_EQ(countStartingWith(lines, "wyn 0.1.0, ", "app.exe, 20"), 2u);
    EXPECT_EQ(countStartingWith(lines, "wyn: [", "embedded configuration: "), 2u);
    EXPECT_EQ(countStartingWith(lines, "wyn: [", "main returned"), 2u);

    // A file that cannot be opened changes nothing else.
    std::string nowhere =
        launch.pack(WYN_E2E_STUB, runtime + "trace=nowhere\\trace.log\n", "nowhere.exe");
    EXPECT_EQ(launch.run(nowhere, "", env), 0);
    EXPECT_EQ(countStartingWith(WineLaunch::lines(launch.runtimeLog()), "main-class", "app/Main"),
              3u);
}

TEST(HeadlessDamagedProgram, CutShortIsNamedBeforeAnyRuntimeLoads) {
    WineLaunch launch;
    std::string whole = launch.pack(
        WYN_E2E_STUB, std::string("jvmdll=") + WYN_TEST_RUNTIME_LIBRARY + "\nmainclass=app/Main\n");
    std::ifstream in(whole, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 30u);
    std::string cut = launch.file("cut.exe");
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() - 30);
    EXPECT_EQ(launch.run(cut, "", launch.baseEnvironment()), 15);
    EXPECT_EQ(WineLaunch::lines(launch.runtimeLog()), std::vector<std::string>());
}

// The stand-in browser is the prefix's handler of http addresses while a test runs (Wine's
// shell reads the machine's class of the protocol); the prefix's own handler comes back after.
class DownloadPage : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCommandKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
        char saved[1024] = "";
        DWORD size = sizeof(saved) - 1;
        if (RegQueryValueExA(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(saved),
                             &size) == ERROR_SUCCESS) {
            saved_ = std::string(saved);
        }
        std::string command = std::string("\"") + WYN_E2E_URL_RECORDER + "\" \"%1\"";
        ASSERT_EQ(
            RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                           static_cast<DWORD>(command.size() + 1)),
            ERROR_SUCCESS);
    }
    void TearDown() override {
        if (key_ != nullptr) {
            RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_.c_str()),
                           static_cast<DWORD>(saved_.size() + 1));
            RegCloseKey(key_);
        }
    }

    // Starts a launcher without a runtime, answers its box with button, and returns the box.
    MessageBoxView answer(WineLaunch& launch, int button) {
        std::string exe = launch.pack(WYN_E2E_STUB,
                                      "jre_order=c\njvmdll=missing.dll\n"
                                      "jredownloadurl=http://example.org/get-java\n");
        std::vector<EnvChange> env = launch.baseEnvironment();
        env.push_back({"WYN_E2E_URL_LOG", true, launch.file("urls.log")});
        LauncherProcess process;
        EXPECT_TRUE(process.start(exe, "", env));
        HWND box = waitForWindow(kBoxClass, process.processId());
        if (box == nullptr) {
            ADD_FAILURE() << "no message box";
            return {};
        }
        MessageBoxView view = readMessageBox(box);
        pressButton(box, button);
        EXPECT_EQ(process.wait(), 1);
        return view;
    }

    static constexpr const char* kCommandKey = "Software\\Classes\\http\\shell\\open\\command";
    HKEY key_ = nullptr;
    std::string saved_;
};

TEST_F(DownloadPage, YesOpensThePageAndNoDoesNot) {
    WineLaunch no;
    MessageBoxView asked = answer(no, IDNO);
    EXPECT_EQ(asked.text,
              "Java Runtime Environment not found.\n\nLooked for a Java runtime in:\n  " +
                  no.file("missing.dll") +
                  " (jvmdll)\n\nDo you want to open the download page now?");
    Sleep(1500);
    EXPECT_EQ(WineLaunch::lines(no.file("urls.log")), std::vector<std::string>());

    WineLaunch yes;
    answer(yes, IDYES);
    DWORD start = GetTickCount();
    while (WineLaunch::lines(yes.file("urls.log")).empty() && GetTickCount() - start < 15000) {
        Sleep(50);
    }
    std::vector<std::string> opened = WineLaunch::lines(yes.file("urls.log"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "http://example.org/get-java");
}

}  // namespace
