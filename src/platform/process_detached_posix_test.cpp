// A detached program on Linux: it runs as the pid returned, outside the launcher's session,
// not as its child, at a lower priority, with its standard streams on /dev/null; a program
// that cannot be run gives 0.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/process.h"
#include "support/scratch_tree.h"

namespace {

std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool waitForFile(const std::string& path) {
    for (int i = 0; i < 500 && !platform::exists(path.c_str()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return platform::exists(path.c_str());
}

StringList command(const std::vector<std::string>& arguments) {
    StringList list;
    for (const std::string& a : arguments) {
        list.addString(a.c_str());
    }
    return list;
}

// Field n (1-based) of a /proc/<pid>/stat text, counted after the command's parentheses.
long statField(const std::string& stat, int n) {
    std::istringstream rest(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= n; ++i) {
        rest >> field;
    }
    return std::stol(field);
}

TEST(DetachedProcess, RunsOnItsOwnWithItsOutputDiscarded) {
    ScratchTree tree;
    // A descriptor that is not closed on exec, as a runtime may leave one open.
    int inheritable = open("/dev/null", O_RDONLY);
    ASSERT_GE(inheritable, 3);
    std::string report = tree.path("report");
    // The descriptors are read before the report's own redirection replaces them.
    std::string script =
        "echo to-output; echo to-error >&2; "
        "fds=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2; ls /proc/$$/fd | wc -l); "
        "{ echo $$; cat /proc/$$/stat; echo; echo \"$fds\"; } > '" +
        report + ".tmp'; mv '" + report + ".tmp' '" + report + "'";
    int32_t pid = platform::startDetachedProcess(command({"/bin/sh", "-c", script}));
    close(inheritable);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitForFile(report));
    std::istringstream lines(read(report));
    std::string pidLine, stat, empty, in, out, err, descriptors;
    std::getline(lines, pidLine);
    std::getline(lines, stat);
    std::getline(lines, empty);
    std::getline(lines, in);
    std::getline(lines, out);
    std::getline(lines, err);
    std::getline(lines, descriptors);
    EXPECT_EQ(std::stol(pidLine), pid) << "the pid returned is the program's";
    EXPECT_EQ(in, "/dev/null");
    EXPECT_EQ(out, "/dev/null");
    EXPECT_EQ(err, "/dev/null");
    // 0, 1, 2 and the one that ls reads /proc/$$/fd through.
    EXPECT_EQ(descriptors, "4") << "no descriptor of the launcher is inherited";
    EXPECT_NE(statField(stat, 6), static_cast<long>(getsid(0))) << "a session of its own";
    EXPECT_NE(statField(stat, 4), static_cast<long>(getpid())) << "not the launcher's child";
    errno = 0;
    int ownNice = getpriority(PRIO_PROCESS, 0);
    long expectedNice = ownNice + 10 > 19 ? 19 : ownNice + 10;
    EXPECT_EQ(statField(stat, 19), expectedNice) << "a lower priority";
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(DetachedProcess, ArgumentsArriveUnchanged) {
    ScratchTree tree;
    std::string report = tree.path("args");
    std::vector<std::string> arguments = {
        "/bin/sh",
        "-c",
        "printf '%s\\n' \"$@\" > \"$0.tmp\"; mv \"$0.tmp\" \"$0\"",
        report,
        "with blank",
        "",
        "quote\"and\\slash",
        "*"};
    ASSERT_GT(platform::startDetachedProcess(command(arguments)), 0);
    ASSERT_TRUE(waitForFile(report));
    EXPECT_EQ(read(report), "with blank\n\nquote\"and\\slash\n*\n");
}

TEST(DetachedProcess, AProgramThatCannotRunGivesZero) {
    ScratchTree tree;
    std::string notExecutable = tree.file("plain.txt", "text");
    EXPECT_EQ(platform::startDetachedProcess(command({tree.path("missing")})), 0);
    EXPECT_EQ(platform::startDetachedProcess(command({notExecutable})), 0);
    EXPECT_EQ(platform::startDetachedProcess(StringList()), 0);
}

}  // namespace
