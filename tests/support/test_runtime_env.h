// Steering the test runtime from a test that loads it into its own process: its environment
// variables, set for the object's lifetime and restored afterwards, a fresh log file, and
// its live-object counts.
#pragma once

#include <string>
#include <vector>

#include "platform/dynlib.h"

// The records of log that start with prefix, in order.
std::vector<std::string> recordsStartingWith(const std::vector<std::string>& log,
                                             const std::string& prefix);

class TestRuntimeEnv {
  public:
    // Sets WYN_TEST_RUNTIME_CLASSES to classes and points WYN_TEST_RUNTIME_LOG at a new, empty
    // file in the temporary directory; clears the other settings.
    explicit TestRuntimeEnv(const char* classes);
    TestRuntimeEnv(const TestRuntimeEnv&) = delete;
    TestRuntimeEnv& operator=(const TestRuntimeEnv&) = delete;
    ~TestRuntimeEnv();

    void setCreateResult(const char* result);
    void setVersion(const char* version);
    // JNI functions that fail as if the runtime ran out of memory, comma-separated.
    void setFailing(const char* functions);

    const std::string& logPath() const { return logPath_; }
    // The log's records so far, one per line.
    std::vector<std::string> log() const;
    // How many records equal record.
    int countOf(const std::string& record) const;
    // Asks the runtime loaded as library how many local refs, global refs or open string
    // characters are live ("local-refs", "global-refs", "open-chars"); -1 without a machine.
    static int live(platform::LibraryHandle library, const char* what);

  private:
    struct Saved {
        std::string name;
        std::string value;
        bool wasSet;
    };
    void set(const char* name, const char* value);

    std::string logPath_;
    std::vector<Saved> saved_;
};
