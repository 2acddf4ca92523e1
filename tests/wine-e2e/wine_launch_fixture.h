// Support for the Windows end-to-end suite: packed copies of a launcher stub in a scratch
// directory, copies of the test runtime's tree, launcher processes started with their own
// environment, and the records the test runtime and the stand-in splash library write.
// Windows only: the suite runs under Wine.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/payload_builder.h"
#include "windows_resources.h"

// Environment changes for one launcher process: a value, or unset when absent.
struct EnvChange {
    std::string name;
    bool set;
    std::string value;
};

// A launcher process that runs while the test watches it.
class LauncherProcess {
  public:
    LauncherProcess() = default;
    LauncherProcess(const LauncherProcess&) = delete;
    LauncherProcess& operator=(const LauncherProcess&) = delete;
    ~LauncherProcess();

    // Starts exe (UTF-8, started through the wide functions) with the command-line tail args
    // and the environment changes, in the test's own working directory unless one is given;
    // false on failure. Given handles (inheritable) become its standard output and error.
    bool start(const std::string& exe, const std::string& args, const std::vector<EnvChange>& env,
               const std::string& workingDirectory = "", HANDLE output = nullptr,
               HANDLE error = nullptr);
    // Waits up to timeoutMs; the exit code, or -1 when it is still running (it is then
    // killed, so that a hanging launcher fails its test instead of the suite).
    int wait(DWORD timeoutMs = 20000);
    DWORD processId() const { return info_.dwProcessId; }
    bool running() const;

  private:
    PROCESS_INFORMATION info_{};
};

class WineLaunch {
  public:
    WineLaunch();

    // The scratch directory of this launch (ends in a backslash).
    const std::string& dir() const { return scratch_.path(); }
    std::string file(const std::string& name) const { return scratch_.file(name); }
    // The test runtime's log file and the splash library's log file of this launch.
    std::string runtimeLog() const { return file("runtime.log"); }
    std::string splashLog() const { return file("splash.log"); }
    std::string releaseFile() const { return file("release"); }

    // Writes stub + configuration text + an archive as name in the scratch directory. The
    // stub first gets the resources the packer writes into every Windows executable (its
    // version information and manifest) and the given ones.
    std::string pack(const std::string& stubPath, const std::string& config,
                     const std::string& name = "app.exe",
                     wynpack::WindowsResources resources = {}) const;
    // An entry (stored) that pack puts into the archive beside the suite's marker.
    void addArchiveEntry(const std::string& name, const std::string& content) {
        entries_.emplace_back(name, content);
    }
    // Copies the test runtime's tree (bin\ with the companion, bin\server\jvm.dll) to home
    // below the scratch directory; returns the jvm.dll copy's path.
    std::string copyTestRuntime(const std::string& home) const;

    // The environment every launch gets: the runtime's log, the release file, DISPLAY kept,
    // and no runtime inherited through JAVA_HOME or JRE_HOME.
    std::vector<EnvChange> baseEnvironment() const;

    // Runs exe to its end (in workingDirectory when one is given); the exit code, or -1 when
    // it did not end in time.
    int run(const std::string& exe, const std::string& args, std::vector<EnvChange> env,
            DWORD timeoutMs = 20000, const std::string& workingDirectory = "") const;

    // Lines of a log file (empty when it does not exist).
    static std::vector<std::string> lines(const std::string& path);
    // The lines of the runtime log that start with prefix.
    std::vector<std::string> runtimeRecords(const std::string& prefix) const;

  private:
    ScratchDirectory scratch_;
    std::vector<std::pair<std::string, std::string>> entries_;
};

// UTF-16 of a UTF-8 text.
std::wstring wideOfUtf8(const std::string& text);

// An environment change list with more changes appended.
std::vector<EnvChange> withEnv(std::vector<EnvChange> env, const std::vector<EnvChange>& more);

// True when this process runs under Wine (the suite writes registry records only there).
bool underWine();
