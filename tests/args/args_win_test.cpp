// The argument list built from real Windows command lines.
//
// Run with WYN_ARGS_PROBE set to a mode, the program is the probe: it builds the argument
// list from its own command line and writes one entry per line. Without it, the program runs
// the tests, each of which starts the probe with a crafted command line in a scratch
// directory and reads what it wrote.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "args_output/argument_list.h"
#include "support/scratch_tree.h"

namespace {

std::string ownPath() {
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
    return std::string(buffer, n);
}

// Starts the probe with the command line `"<exe>" + tail` in directory and returns the
// entries of the argument list it built, program name first.
std::vector<std::string> probe(const std::string& tail, int mode, const std::string& directory) {
    ScratchTree outputTree;
    std::string outputPath = outputTree.path("probe-output.txt");
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(output, INVALID_HANDLE_VALUE);

    std::string commandLine = "\"" + ownPath() + "\"" + tail;
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    SetEnvironmentVariableA("WYN_ARGS_PROBE", std::to_string(mode).c_str());
    BOOL started = CreateProcessA(nullptr, writable.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  directory.c_str(), &startup, &process);
    SetEnvironmentVariableA("WYN_ARGS_PROBE", nullptr);
    CloseHandle(output);
    EXPECT_TRUE(started) << "CreateProcessA failed: " << GetLastError();
    if (!started) {
        return {};
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_EQ(code, 0u);

    std::ifstream in(outputPath, std::ios::binary);
    std::vector<std::string> entries;
    std::string line;
    while (std::getline(in, line)) {
        // The probe's standard output is in text mode: lines end in CR LF.
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        entries.push_back(line);
    }
    return entries;
}

std::vector<std::string> sortedRange(std::vector<std::string> v, size_t from, size_t to) {
    std::sort(v.begin() + static_cast<long>(from), v.begin() + static_cast<long>(to));
    return v;
}

class ArgsWin : public ::testing::Test {
  protected:
    void SetUp() override {
        tree.file("a.txt");
        tree.file("b.txt");
        tree.file("dir/f.dat");
        tree.directory("dir/sub");
        tree.file("src/top.java");
        tree.file("src/p/x.java");
        tree.file("src/p/readme.md");
        tree.file("src/q/y.java");
    }

    ScratchTree tree;
};

TEST_F(ArgsWin, ModeOneExpandsOnlyUnquotedWildcards) {
    std::vector<std::string> got = probe(" *.txt \"*.txt\" \"?\".txt \"a b\" x", 1, tree.root());
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(got[0], ownPath());
    EXPECT_EQ(sortedRange(got, 1, 3),
              (std::vector<std::string>{got[0], "a.txt", "b.txt", "*.txt", "?.txt", "a b", "x"}));
}

TEST_F(ArgsWin, ModeTwoExpandsQuotedWildcardsToo) {
    std::vector<std::string> got = probe(" \"*.txt\" \"?\".txt *.none", 2, tree.root());
    ASSERT_EQ(got.size(), 6u);
    std::vector<std::string> sorted = sortedRange(sortedRange(got, 1, 3), 3, 5);
    EXPECT_EQ(sorted,
              (std::vector<std::string>{got[0], "a.txt", "b.txt", "a.txt", "b.txt", "*.none"}));
}

TEST_F(ArgsWin, ComponentsAreExpandedDepthFirstWithThePrefixAsWritten) {
    std::vector<std::string> got = probe(" dir\\* src\\*\\*.java", 1, tree.root());
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(sortedRange(sortedRange(got, 1, 3), 3, 5),
              (std::vector<std::string>{got[0], "dir\\f.dat", "dir\\sub", "src\\p\\x.java",
                                        "src\\q\\y.java"}));
}

TEST_F(ArgsWin, QuotesAndBackslashesFollowTheRuntimeRules) {
    std::vector<std::string> got =
        probe(" a\\\\\"b c\" a\\\"b \"unterminated  rest", 1, tree.root());
    EXPECT_EQ(got, (std::vector<std::string>{ownPath(), "a\\b c", "a\"b", "unterminated  rest"}));
}

int runProbe(int argc, char** argv, int mode) {
    buildArgumentList(argc, argv, mode);
    ItemArray<char*> vector;
    int count = toArgumentVector(vector);
    for (int i = 0; i < count; ++i) {
        std::printf("%s\n", vector[i]);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* mode = std::getenv("WYN_ARGS_PROBE")) {
        return runProbe(argc, argv, std::atoi(mode));
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
