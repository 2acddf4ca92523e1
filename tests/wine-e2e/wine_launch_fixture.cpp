#include "wine-e2e/wine_launch_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

constexpr int kCreateAttempts = 3;

std::string parentOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// Applies changes to this process's environment and gives back what was there before.
std::vector<EnvChange> applyEnv(const std::vector<EnvChange>& changes) {
    std::vector<EnvChange> previous;
    for (const EnvChange& change : changes) {
        char buffer[32768];
        DWORD got = GetEnvironmentVariableA(change.name.c_str(), buffer, sizeof(buffer));
        previous.push_back(got > 0 && got < sizeof(buffer)
                               ? EnvChange{change.name, true, std::string(buffer, got)}
                               : EnvChange{change.name, false, {}});
    }
    for (const EnvChange& change : changes) {
        SetEnvironmentVariableA(change.name.c_str(), change.set ? change.value.c_str() : nullptr);
    }
    return previous;
}

}  // namespace

std::wstring wideOfUtf8(const std::string& text) {
    int units = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(units > 0 ? static_cast<size_t>(units) : 1, L'\0');
    if (units > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], units);
    }
    wide.resize(wide.size() - 1);
    return wide;
}

LauncherProcess::~LauncherProcess() {
    if (info_.hProcess != nullptr) {
        if (running()) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool LauncherProcess::start(const std::string& exe, const std::string& args,
                            const std::vector<EnvChange>& env, const std::string& workingDirectory,
                            HANDLE output, HANDLE error) {
    std::wstring program = wideOfUtf8(exe);
    std::wstring commandLine =
        L"\"" + program + L"\"" + (args.empty() ? L"" : L" " + wideOfUtf8(args));
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    bool redirected = output != nullptr || error != nullptr;
    if (redirected) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = error;
    }
    std::vector<EnvChange> previous = applyEnv(env);
    std::wstring directory = wideOfUtf8(workingDirectory);
    // Under heavy load Wine now and then fails to create a process at all (error 126 or
    // 1359, before the launcher runs): a few more tries, each said on standard error; a
    // failure that stays (a DLL the stub really lacks, say) fails the test as before.
    BOOL started = FALSE;
    for (int attempt = 1; attempt <= kCreateAttempts && started == FALSE; ++attempt) {
        started = CreateProcessW(program.c_str(), mutableLine.data(), nullptr, nullptr,
                                 redirected ? TRUE : FALSE, 0, nullptr,
                                 directory.empty() ? nullptr : directory.c_str(), &startup, &info_);
        if (started == FALSE && attempt < kCreateAttempts) {
            std::fprintf(stderr, "%s: not started (error %lu), trying again\n", exe.c_str(),
                         static_cast<unsigned long>(GetLastError()));
            Sleep(250);
        }
    }
    applyEnv(previous);
    return started != FALSE;
}

int LauncherProcess::wait(DWORD timeoutMs) {
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<int>(code);
}

bool LauncherProcess::running() const {
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

WineLaunch::WineLaunch() = default;

std::string WineLaunch::pack(const std::string& stubPath, const std::string& config,
                             const std::string& name, wynpack::WindowsResources resources) const {
    CraftedExecutable exe;
    exe.stub = readBytes(stubPath);
    if (resources.version.fileVersion.empty()) {
        resources.version.fileVersion = "1.0.0.0";
        resources.version.productVersion = "1.0.0.0";
    }
    size_t checksumOffset = 0;
    std::string message;
    if (!wynpack::applyWindowsResources(exe.stub, stubPath, resources, checksumOffset, message)) {
        ADD_FAILURE() << message;
    }
    exe.config = config;
    exe.entries = {{"com/example/app/Marker.txt", "packed by the end-to-end suite\n"}};
    exe.entries.insert(exe.entries.end(), entries_.begin(), entries_.end());
    return scratch_.writeExecutable(exe, name);
}

std::string WineLaunch::copyTestRuntime(const std::string& home) const {
    std::string source = WYN_TEST_RUNTIME_LIBRARY;  // <home>\bin\server\jvm.dll
    std::string sourceBin = parentOf(parentOf(source));
    std::string target = file(home);
    CreateDirectoryA(target.c_str(), nullptr);
    CreateDirectoryA((target + "\\bin").c_str(), nullptr);
    CreateDirectoryA((target + "\\bin\\server").c_str(), nullptr);
    CopyFileA((sourceBin + "\\wyn_test_runtime_companion.dll").c_str(),
              (target + "\\bin\\wyn_test_runtime_companion.dll").c_str(), FALSE);
    std::string jvm = target + "\\bin\\server\\jvm.dll";
    CopyFileA(source.c_str(), jvm.c_str(), FALSE);
    return jvm;
}

std::vector<EnvChange> WineLaunch::baseEnvironment() const {
    return {{"WYN_TEST_RUNTIME_LOG", true, runtimeLog()},
            {"WYN_TEST_RUNTIME_RELEASE", true, releaseFile()},
            {"WYN_E2E_SPLASH_LOG", true, splashLog()},
            {"JAVA_HOME", false, {}},
            {"JRE_HOME", false, {}},
            {"JAVA_TOOL_OPTIONS", false, {}},
            {"WYN_TEST_RUNTIME_CLASSES", false, {}},
            {"WYN_TEST_RUNTIME_MAIN_SCRIPT", false, {}},
            {"WYN_TEST_RUNTIME_CREATE_RESULT", false, {}},
            {"WYN_TEST_RUNTIME_VERSION", false, {}},
            {"WYN_TEST_RUNTIME_LOG_ENV", false, {}},
            {"WYN_TEST_RUNTIME_LOG_STACK", false, {}},
            {"CLASSPATH", false, {}},
            {"CLASS_PATH", false, {}}};
}

int WineLaunch::run(const std::string& exe, const std::string& args, std::vector<EnvChange> env,
                    DWORD timeoutMs, const std::string& workingDirectory) const {
    LauncherProcess process;
    if (!process.start(exe, args, env, workingDirectory)) {
        return -2;
    }
    return process.wait(timeoutMs);
}

std::vector<std::string> WineLaunch::lines(const std::string& path) {
    std::vector<std::string> result;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        result.push_back(line);
    }
    return result;
}

std::vector<std::string> WineLaunch::runtimeRecords(const std::string& prefix) const {
    std::vector<std::string> result;
    for (const std::string& line : lines(runtimeLog())) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            result.push_back(line);
        }
    }
    return result;
}

std::vector<EnvChange> withEnv(std::vector<EnvChange> env, const std::vector<EnvChange>& more) {
    env.insert(env.end(), more.begin(), more.end());
    return env;
}

bool underWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
