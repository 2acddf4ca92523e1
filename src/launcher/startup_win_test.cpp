#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/config_store.h"
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

TEST(ExecutablePath, WithoutAnAnsiFormTheStartStopsWithAMessageNamingIt) {
    // Ω has no ANSI form here, and a path that does not exist has no short form.
    const std::string missing = "C:\\\xCE\xA9nowhere\\app.exe";
    ConfigStore store(false);
    store.loadFrom(missing.c_str());
    TextString message = executablePathProblem(store);
    EXPECT_EQ(std::string(message.c_str()),
              "This program cannot start from " + missing +
                  " because Java cannot be given that path. Please move the program to a folder "
                  "whose path uses only characters of the system's language settings.");

    ConfigStore plain(false);
    plain.loadFrom("C:\\nowhere\\app.exe");
    EXPECT_EQ(executablePathProblem(plain).length(), 0);
}

}  // namespace
