// Test runtime settings for in-process tests.
#include "support/test_runtime_env.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/env.h"
#include "test_runtime_control.h"

TestRuntimeEnv::TestRuntimeEnv(const char* classes) {
    std::random_device random;
    logPath_ = (std::filesystem::temp_directory_path() /
                ("wyn-test-runtime-" + std::to_string(random()) + ".log"))
                   .string();
    std::ofstream(logPath_, std::ios::binary | std::ios::trunc);
    set("WYN_TEST_RUNTIME_LOG", logPath_.c_str());
    set("WYN_TEST_RUNTIME_CLASSES", classes);
    set("WYN_TEST_RUNTIME_CREATE_RESULT", nullptr);
    set("WYN_TEST_RUNTIME_VERSION", nullptr);
    set("WYN_TEST_RUNTIME_FAIL", nullptr);
}

TestRuntimeEnv::~TestRuntimeEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        std::string assignment = it->name + "=" + (it->wasSet ? it->value : "");
        platform::putEnv(assignment.c_str());
    }
    std::remove(logPath_.c_str());
}

void TestRuntimeEnv::set(const char* name, const char* value) {
    bool known = false;
    for (const Saved& s : saved_) {
        known = known || s.name == name;
    }
    if (!known) {
        const char* old = platform::getEnv(name);
        saved_.push_back(Saved{name, old != nullptr ? old : "", old != nullptr});
    }
    std::string assignment = std::string(name) + "=" + (value != nullptr ? value : "");
    platform::putEnv(assignment.c_str());
}

void TestRuntimeEnv::setCreateResult(const char* result) {
    set("WYN_TEST_RUNTIME_CREATE_RESULT", result);
}

void TestRuntimeEnv::setVersion(const char* version) {
    set("WYN_TEST_RUNTIME_VERSION", version);
}

void TestRuntimeEnv::setFailing(const char* functions) {
    set("WYN_TEST_RUNTIME_FAIL", functions);
}

std::vector<std::string> TestRuntimeEnv::log() const {
    std::vector<std::string> lines;
    std::ifstream in(logPath_, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> recordsStartingWith(const std::vector<std::string>& log,
                                             const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : log) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

int TestRuntimeEnv::countOf(const std::string& record) const {
    int n = 0;
    for (const std::string& line : log()) {
        n += line == record ? 1 : 0;
    }
    return n;
}

int TestRuntimeEnv::live(platform::LibraryHandle library, const char* what) {
    auto count = reinterpret_cast<TestRuntimeCountFunction>(
        platform::findSymbol(library, kTestRuntimeCountSymbol));
    return count != nullptr ? count(what) : -1;
}
