// Shared set-up of the end-to-end suites: a scratch directory per test, packing a test
// application with wynpack, and running the packed executable.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/child_process.h"

class LaunchTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Packs stub + config + jars (and any further packer options) into dir()/name and
    // returns its path.
    std::string pack(const std::string& stub, const std::string& config,
                     const std::vector<std::string>& jars, const std::string& name,
                     const std::vector<std::string>& moreOptions = {});
    std::string packLinux(const std::string& config, const std::string& name = "app");

    ChildResult run(const std::string& exe, const std::vector<std::string>& args,
                    const std::vector<std::string>& setEnv = {},
                    const std::vector<std::string>& unsetEnv = {});

    const std::string& dir() const { return dir_; }
    static std::string writeFile(const std::string& path, const std::string& content);

  private:
    std::string dir_;
};

// Paths of the build that the suites use.
struct E2ePaths {
    static const char* wynpack();
    static const char* linuxStub();
    static const char* probeJar();
    static const char* supportJar();
    static const char* redirectAppJar();
    static const char* jdk();
};

// The home of an installed runtime of the given release or later (and before the release
// `before`) in /usr/lib/jvm, or empty.
std::string laterRuntime(int release, int before = 1000);
