// The real launcher with what the packer writes into a Windows stub: a splash bitmap shown by
// the native splash window (screenshot), the console variant's output, messages and exit
// codes, a packed launcher signed with osslsigncode that still reads its configuration, and
// the launcher's version in the packed program's version information.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/drawing_win.h"
#include "wine-e2e/window_probe.h"
#include "wine-e2e/wine_launch_fixture.h"

namespace {

const char kSplashClass[] = "WYNSPLASH";

std::string okConfig() {
    return std::string("jvmdll=") + WYN_TEST_RUNTIME_LIBRARY + "\nmainclass=app/Main\n";
}

std::vector<EnvChange> mainScript(const std::string& script) {
    return {{"WYN_TEST_RUNTIME_CLASSES", true, "app/Main:main"},
            {"WYN_TEST_RUNTIME_MAIN_SCRIPT", true, script}};
}

wynpack::WindowsResources consoleVariant() {
    wynpack::WindowsResources resources;
    resources.console = true;
    return resources;
}

// A file the launcher's standard output or error goes to.
class CaptureFile {
  public:
    explicit CaptureFile(std::string path) : path_(std::move(path)) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        handle_ = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ~CaptureFile() { close(); }
    HANDLE handle() const { return handle_; }
    std::string text() {
        close();
        return readBytes(path_);
    }

  private:
    void close() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }
    std::string path_;
    HANDLE handle_;
};

struct CapturedRun {
    int exitCode = -2;
    std::string out;
    std::string err;
};

CapturedRun runCaptured(const WineLaunch& launch, const std::string& exe,
                        const std::vector<EnvChange>& env) {
    CaptureFile out(launch.file("stdout.txt"));
    CaptureFile err(launch.file("stderr.txt"));
    CapturedRun run;
    LauncherProcess process;
    if (process.start(exe, "", env, "", out.handle(), err.handle())) {
        run.exitCode = process.wait();
    }
    run.out = out.text();
    run.err = err.text();
    return run;
}

TEST(PackedSplash, BitmapFromThePackerIsShownByTheNativeWindow) {
    WYN_SKIP_WITHOUT_DRAWING();
    WineLaunch launch;
    wynpack::WindowsResources resources;
    resources.splashPath = WYN_E2E_SPLASH_BMP;
    resources.splashBytes = readBytes(WYN_E2E_SPLASH_BMP);
    ASSERT_FALSE(resources.splashBytes.empty());
    std::string exe = launch.pack(WYN_E2E_STUB, okConfig(), "app.exe", resources);
    LauncherProcess process;
    ASSERT_TRUE(process.start(exe, "", withEnv(launch.baseEnvironment(), mainScript("wait"))));
    HWND splash = waitForWindow(kSplashClass, process.processId());
    ASSERT_NE(splash, nullptr);
    RECT rect{};
    GetWindowRect(splash, &rect);
    EXPECT_EQ(rect.right - rect.left, 240);  // the size of the packed bitmap
    EXPECT_EQ(rect.bottom - rect.top, 140);
    // The bitmap's white bar and black disc, read back from the screen once painted.
    HDC screen = GetDC(nullptr);
    COLORREF bar = 0;
    COLORREF disc = 0;
    for (int tries = 0; tries < 100; ++tries) {
        bar = GetPixel(screen, rect.left + 120, rect.top + 30);
        disc = GetPixel(screen, rect.left + 120, rect.top + 90);
        if (bar == RGB(255, 255, 255) && disc == RGB(0, 0, 0)) {
            break;
        }
        Sleep(50);
    }
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(bar, RGB(255, 255, 255));
    EXPECT_EQ(disc, RGB(0, 0, 0));
    EXPECT_TRUE(saveScreenshot("wine-e2e-packed-splash.png"));
    ASSERT_TRUE(writeBytes(launch.releaseFile(), "go"));
    EXPECT_EQ(process.wait(), 0);
}

TEST(HeadlessConsoleVariant, ApplicationOutputReachesStandardOutput) {
    WineLaunch launch;
    std::string exe = launch.pack(WYN_E2E_STUB, okConfig(), "console.exe", consoleVariant());
    CapturedRun run = runCaptured(
        launch, exe, withEnv(launch.baseEnvironment(), mainScript("print:hello from main")));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("hello from main"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
}

TEST(HeadlessConsoleVariant, MessagesAlsoGoToStandardErrorWithTheSameExitCode) {
    WineLaunch launch;
    std::string config = "jre_order=c\njvmdll=missing.dll\n";
    std::string console = launch.pack(WYN_E2E_STUB, config, "console.exe", consoleVariant());
    std::string gui = launch.pack(WYN_E2E_STUB, config, "gui.exe");
    CapturedRun consoleRun = runCaptured(launch, console, launch.baseEnvironment());
    CapturedRun guiRun = runCaptured(launch, gui, launch.baseEnvironment());
    EXPECT_EQ(consoleRun.exitCode, 1);
    EXPECT_EQ(guiRun.exitCode, 1);
    EXPECT_EQ(consoleRun.err,
              "Error: Java Runtime Environment not found.\n\nLooked for a Java runtime in:\n  " +
                  launch.file("missing.dll") + " (jvmdll)\r\n");
    EXPECT_EQ(guiRun.err, "") << "a GUI program shows its message in the box only";
}

// Wine starts a Linux program but does not let its caller wait for it: the command ends by
// creating doneFile, which is polled for.
std::string unixPath(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    // Through void*: a function pointer of another type cannot be cast to directly.
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) {
        return {};
    }
    std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* path = toUnix(wide.c_str());
    std::string result = path != nullptr ? path : "";
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

bool runLinuxShell(const std::string& script, const std::string& doneFile) {
    std::string commandLine = "/bin/sh -c \"" + script + " && touch '" + unixPath(doneFile) + "'\"";
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return false;
    }
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    for (int tries = 0; tries < 600; ++tries) {
        if (GetFileAttributesA(doneFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return true;
        }
        Sleep(100);
    }
    return false;
}

// A string of a file's version information as GetFileVersionInfo and VerQueryValue give it;
// "(none)" when the file has no such string.
std::wstring versionString(const std::string& path, const wchar_t* name) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> data(size);
    wchar_t* value = nullptr;
    UINT length = 0;
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) ||
        value == nullptr) {
        return L"(none)";
    }
    return value;
}

TEST(HeadlessPackedVersion, LauncherVersionBesideTheApplicationsFields) {
    WineLaunch launch;
    wynpack::WindowsResources resources;
    resources.version.fileVersion = "3.1";
    resources.version.productVersion = "3.1";
    resources.version.strings = {{"CompanyName", "Tarnwick Tests"}, {"FileVersion", "3.1"}};
    std::string exe = launch.pack(WYN_E2E_STUB, okConfig(), "versioned.exe", resources);
    // The stub names its own version; the packed program carries it beside the application's.
    EXPECT_EQ(versionString(WYN_E2E_STUB, L"LauncherVersion"), L"wyn 0.1.0");
    EXPECT_EQ(versionString(exe, L"LauncherVersion"), L"wyn 0.1.0");
    EXPECT_EQ(versionString(exe, L"FileVersion"), L"3.1");
    EXPECT_EQ(versionString(exe, L"CompanyName"), L"Tarnwick Tests");
    EXPECT_EQ(versionString(exe, L"ProductName"), L"(none)");  // the stub's "wyn" is replaced
}

TEST(HeadlessSigned, SignedLauncherReadsItsConfigurationAndRuns) {
    WineLaunch launch;
    std::string exe =
        launch.pack(WYN_E2E_STUB, okConfig() + "property=signed.check=yes\n", "unsigned.exe");
    std::string dir = unixPath(launch.dir());
    ASSERT_FALSE(dir.empty()) << "needs Wine's path conversion";
    std::string script = "cd '" + dir + "'" +
                         " && /usr/bin/openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem"
                         " -out cert.pem -days 2 -subj /CN=wyn-e2e >/dev/null 2>&1"
                         " && /usr/bin/osslsigncode sign -certs cert.pem -key key.pem"
                         " -in unsigned.exe -out signed.exe >/dev/null"
                         " && /usr/bin/osslsigncode verify -CAfile cert.pem -in signed.exe"
                         " >verify.txt 2>&1";
    ASSERT_TRUE(runLinuxShell(script, launch.file("signed.done")))
        << readBytes(launch.file("verify.txt"));
    std::string signedExe = launch.file("signed.exe");
    ASSERT_GT(readBytes(signedExe).size(), readBytes(exe).size());
    EXPECT_EQ(launch.run(signedExe, "first",
                         withEnv(launch.baseEnvironment(), mainScript("print:signed"))),
              0);
    EXPECT_FALSE(launch.runtimeRecords("main-class app/Main").empty());
    EXPECT_EQ(launch.runtimeRecords("property "),
              std::vector<std::string>({"property signed.check=yes"}));
}

}  // namespace
