#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "launcher/startup.h"

namespace {

std::string resolved(const char* base, const char* path) {
    char buffer[260];
    int32_t n = resolveAgainstDirectory(base, path, buffer, sizeof(buffer));
    return n > 0 && n < 260 ? std::string(buffer, static_cast<size_t>(n)) : "<failed>";
}

TEST(WorkingDirectory, PathsResolveAgainstTheExecutableDirectory) {
    char cwd[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(sizeof(cwd), cwd), 0u);
    std::string drive(cwd, 2);
    struct Case {
        const char* base;
        const char* path;
        std::string expected;
    } cases[] = {
        {"D:\\App\\", "\\data", "D:\\data"},  {"D:\\App\\", "data", "D:\\App\\data"},
        {"D:\\App", "data", "D:\\App\\data"}, {"D:\\App\\", "C:\\other", "C:\\other"},
        {"D:\\App\\", "..\\up", "D:\\up"},    {"D:\\App\\", "/data", drive + "\\data"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resolved(c.base, c.path), c.expected) << c.base << " + " << c.path;
    }
}

}  // namespace
