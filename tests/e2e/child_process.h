// Runs a program as a child process for the end-to-end suites: environment changes, working
// directory, captured standard output and error, time limits, signals. Linux only: the
// suites drive the Linux launcher directly and the Windows launcher through Wine.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ChildCommand {
    std::vector<std::string> argv;
    std::vector<std::string> setEnv;    // "NAME=value"
    std::vector<std::string> unsetEnv;  // names
    std::string workingDirectory;       // empty: the test's own
};

struct ChildResult {
    int exitCode = -1;  // -1 when the child did not exit normally
    int signal = 0;     // the signal that ended it, if any
    bool timedOut = false;
    std::string out;
    std::string err;
};

class ChildProcess {
  public:
    explicit ChildProcess(const ChildCommand& command);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Reads output until standard output holds text; false after timeoutMs or at exit.
    bool waitForOutput(const std::string& text, int timeoutMs);
    // The same for standard error.
    bool waitForError(const std::string& text, int timeoutMs);
    // Standard output read so far.
    const std::string& output() const { return result_.out; }
    void sendSignal(int signal);
    // Waits for the child to end (killing it after timeoutMs) and returns what it did.
    ChildResult finish(int timeoutMs);

  private:
    bool pump(int timeoutMs);
    bool waitFor(const std::string& stream, const std::string& text, int timeoutMs);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    ChildResult result_;
};

ChildResult runChild(const ChildCommand& command, int timeoutMs = 120000);

// The value of the first "key=value" line of text, or "<missing>".
std::string reportValue(const std::string& text, const std::string& key);
