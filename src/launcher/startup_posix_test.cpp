#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "launcher/startup.h"

namespace {

std::string resolved(const char* base, const char* path) {
    char buffer[260];
    int32_t n = resolveAgainstDirectory(base, path, buffer, sizeof(buffer));
    return n > 0 && n < 260 ? std::string(buffer, static_cast<size_t>(n))
                            : "<" + std::to_string(n) + ">";
}

TEST(WorkingDirectory, PathsResolveAgainstTheExecutableDirectory) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    struct Case {
        const char* base;
        const char* path;
        std::string expected;
    } cases[] = {
        {"/opt/app/", "data", "/opt/app/data"},
        {"/opt/app", "data", "/opt/app/data"},
        {"/opt/app/", "/srv/data", "/srv/data"},
        {"/opt/app/", "../shared/./x", "/opt/shared/x"},
        {"/opt/app/", "a/b/../../c/", "/opt/app/c/"},
        {"/opt/app/", "../../../..", "/"},
        {"relative/", "data", std::string(cwd) + "/relative/data"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resolved(c.base, c.path), c.expected) << c.base << " + " << c.path;
    }
}

TEST(WorkingDirectory, ResultsThatDoNotFitReportTheSizeNeeded) {
    std::string longPath(300, 'x');
    char buffer[260];
    int32_t n = resolveAgainstDirectory("/base/", longPath.c_str(), buffer, sizeof(buffer));
    EXPECT_EQ(n, static_cast<int32_t>(std::string("/base/").size() + 300 + 1));
}

}  // namespace
