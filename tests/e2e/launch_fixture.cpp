// Scratch directories, packing and running for the end-to-end suites.
#include "e2e/launch_fixture.h"

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

const char* E2ePaths::wynpack() {
    return WYN_E2E_WYNPACK;
}
const char* E2ePaths::linuxStub() {
    return WYN_E2E_LINUX_STUB;
}
const char* E2ePaths::probeJar() {
    return WYN_E2E_PROBE_JAR;
}
const char* E2ePaths::supportJar() {
    return WYN_E2E_SUPPORT_JAR;
}
const char* E2ePaths::redirectAppJar() {
    return WYN_E2E_REDIRECT_APP_JAR;
}
const char* E2ePaths::jdk() {
    return WYN_E2E_JDK;
}

void LaunchTest::SetUp() {
    char pattern[] = "/tmp/wyn-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
}

void LaunchTest::TearDown() {
    if (!dir_.empty() && !HasFailure()) {
        runChild({{"/bin/rm", "-rf", dir_}, {}, {}, ""});
    } else if (!dir_.empty()) {
        std::printf("kept %s to look at\n", dir_.c_str());
    }
}

std::string LaunchTest::writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    return path;
}

std::string LaunchTest::pack(const std::string& stub, const std::string& config,
                             const std::vector<std::string>& jars, const std::string& name,
                             const std::vector<std::string>& moreOptions) {
    std::string cfg = writeFile(dir_ + "/" + name + ".source.cfg", config);
    std::string output = dir_ + "/" + name;
    ChildCommand command;
    command.argv = {E2ePaths::wynpack(), "--stub", stub, "--config", cfg, "--output", output};
    for (const std::string& jar : jars) {
        command.argv.push_back("--jar");
        command.argv.push_back(jar);
    }
    command.argv.insert(command.argv.end(), moreOptions.begin(), moreOptions.end());
    ChildResult packed = runChild(command);
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    return output;
}

std::string LaunchTest::packLinux(const std::string& config, const std::string& name) {
    return pack(E2ePaths::linuxStub(), config, {E2ePaths::probeJar()}, name);
}

ChildResult LaunchTest::run(const std::string& exe, const std::vector<std::string>& args,
                            const std::vector<std::string>& setEnv,
                            const std::vector<std::string>& unsetEnv) {
    ChildCommand command;
    command.argv.push_back(exe);
    command.argv.insert(command.argv.end(), args.begin(), args.end());
    command.setEnv = setEnv;
    command.unsetEnv = unsetEnv;
    command.workingDirectory = dir_;
    return runChild(command);
}

std::string laterRuntime(int release, int before) {
    DIR* d = opendir("/usr/lib/jvm");
    if (d == nullptr) {
        return std::string();
    }
    std::string found;
    while (dirent* e = readdir(d)) {
        std::string home = std::string("/usr/lib/jvm/") + e->d_name;
        std::ifstream file(home + "/release");
        std::string line;
        while (std::getline(file, line)) {
            if (line.rfind("JAVA_VERSION=\"", 0) == 0 && std::atoi(line.c_str() + 14) >= release &&
                std::atoi(line.c_str() + 14) < before &&
                access((home + "/lib/server/libjvm.so").c_str(), R_OK) == 0) {
                found = home;
            }
        }
    }
    closedir(d);
    return found;
}
