// A running instance_member, driven through its standard input and output.
//
// Linux: fork and exec with two pipes. Windows: CreateProcessA with two pipes.
#pragma once

#include <string>

class MemberProcess {
  public:
    // Starts the member program at path for appid; the start is not awaited.
    MemberProcess(const std::string& path, const std::string& appid);
    MemberProcess(const MemberProcess&) = delete;
    MemberProcess& operator=(const MemberProcess&) = delete;
    ~MemberProcess();

    bool started() const;
    int pid() const { return pid_; }
    // The next line of output, or "" after timeoutMs or at the end of output.
    std::string readLine(int timeoutMs);
    // Sends one command line.
    void send(const std::string& command);
    // Kills the process at once (no leave) and waits for it.
    void kill();
    // Sends command ("quit" or "exit") and waits for the exit; returns the exit code (-1 on
    // failure or timeout).
    int quit(int timeoutMs, const char* command = "quit");

  private:
    int pid_ = 0;
    void* process_ = nullptr;
    void* input_ = nullptr;
    void* output_ = nullptr;
    std::string pending_;
};

// The value of "key=" in a line of words, or "<missing>".
std::string lineValue(const std::string& line, const std::string& key);
