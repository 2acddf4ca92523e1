// A detached program on Windows: its arguments arrive as the C runtime splits them, its
// standard handles are the null device, it runs below normal priority, and a program that
// cannot be started gives 0. The program is this test executable itself, which in the child
// runs only DetachedProcessChild and reports what it sees into the file that
// WYN_DETACHED_REPORT names.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/process.h"
#include "support/scratch_tree.h"

namespace {

const char kReportVariable[] = "WYN_DETACHED_REPORT";

std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(DetachedProcessChild, ReportsWhatItSees) {
    const char* report = std::getenv(kReportVariable);
    if (report == nullptr) {
        GTEST_SKIP() << "runs only as the detached program";
    }
    std::string text;
    for (int i = 2; i < __argc; ++i) {
        text += std::string("[") + __argv[i] + "]\n";
    }
    char line[128];
    std::snprintf(line, sizeof line, "output %lu\npriority %lu\n",
                  static_cast<unsigned long>(GetFileType(GetStdHandle(STD_OUTPUT_HANDLE))),
                  static_cast<unsigned long>(GetPriorityClass(GetCurrentProcess())));
    text += line;
    std::string part = std::string(report) + ".part";
    {
        std::ofstream out(part, std::ios::binary);
        out << text;
    }
    MoveFileExA(part.c_str(), report, MOVEFILE_REPLACE_EXISTING);
}

TEST(DetachedProcess, ArgumentsHandlesAndPriority) {
    ScratchTree tree;
    std::string report = tree.path("report");
    SetEnvironmentVariableA(kReportVariable, report.c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    StringList command;
    for (const char* argument :
         {static_cast<const char*>(self), "--gtest_filter=DetachedProcessChild.*", "with blank", "",
          "quote\"and\\slash", "trailing\\", "two\\\\\"q", "*"}) {
        command.addString(argument);
    }
    int32_t pid = platform::startDetachedProcess(command);
    SetEnvironmentVariableA(kReportVariable, nullptr);
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 600 && GetFileAttributesA(report.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
        Sleep(50);
    }
    // Wine reports every process at normal priority: only Windows shows the class asked for.
    bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    char expected[256];
    std::snprintf(
        expected, sizeof expected,
        "[with blank]\n[]\n[quote\"and\\slash]\n[trailing\\]\n[two\\\\\"q]\n[*]\n"
        "output %lu\npriority %lu\n",
        static_cast<unsigned long>(FILE_TYPE_CHAR),
        static_cast<unsigned long>(wine ? NORMAL_PRIORITY_CLASS : BELOW_NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(read(report), expected);
}

TEST(DetachedProcess, AProgramThatCannotStartGivesZero) {
    ScratchTree tree;
    StringList missing;
    missing.addString(tree.path("missing.exe").c_str());
    EXPECT_EQ(platform::startDetachedProcess(missing), 0);
    EXPECT_EQ(platform::startDetachedProcess(StringList()), 0);
}

}  // namespace
