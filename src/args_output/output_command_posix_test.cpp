// Output commands on Linux: where an inserted value stands in the user's script decides how it
// is referred to, and the real /bin/sh hands every value to the command as one word and runs
// nothing that a value holds.
#include "args_output/output_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/scratch_tree.h"

namespace {

struct Piece {
    const char* text;
    bool inserted;
};

ExpandedText marked(std::initializer_list<Piece> pieces) {
    ExpandedText value;
    for (const Piece& piece : pieces) {
        if (piece.inserted) {
            value.appendInserted(piece.text);
        } else {
            value.appendLiteral(piece.text);
        }
    }
    return value;
}

std::vector<std::string> argumentsOf(const OutputCommand& command) {
    std::vector<std::string> arguments;
    for (int32_t i = 0; i < command.arguments.count(); ++i) {
        arguments.emplace_back(command.arguments.stringAt(i));
    }
    return arguments;
}

TEST(OutputCommandPosix, EachValueIsAParameterWrittenForWhereItStands) {
    struct Case {
        const char* rule;
        ExpandedText value;
        const char* script;
        std::vector<std::string> arguments;
    } cases[] = {
        {"bare",
         marked({{"cat >> ", false}, {"/my apps/", true}, {"app.log", false}}),
         "cat >> \"${1}\"app.log",
         {"/my apps/"}},
        {"inside the user's double quotes",
         marked({{"cat >> \"", false}, {"/a/", true}, {"app.log\"", false}}),
         "cat >> \"${1}app.log\"",
         {"/a/"}},
        {"inside single quotes",
         marked({{"echo 'x ", false}, {"v", true}, {" y'", false}}),
         "echo 'x '\"${1}\"' y'",
         {"v"}},
        {"numbered in order",
         marked({{"tee ", false}, {"a", true}, {" ", false}, {"b", true}}),
         "tee \"${1}\" \"${2}\"",
         {"a", "b"}},
        {"an empty value is an empty word",
         marked({{"logger -t ", false}, {"", true}}),
         "logger -t \"${1}\"",
         {""}},
        {"the user's text keeps its syntax",
         marked({{"cat | tr a-z A-Z >> out.log; echo $HOME", false}}),
         "cat | tr a-z A-Z >> out.log; echo $HOME",
         {}},
        {"a quote in a comment does not count",
         marked({{"cat # don't\ncat > ", false}, {"f", true}}),
         "cat # don't\ncat > \"${1}\"",
         {"f"}},
        {"inside $( ) within double quotes",
         marked({{"echo \"$(cat ", false}, {"f", true}, {")\"", false}}),
         "echo \"$(cat \"${1}\")\"",
         {"f"}},
        {"an escaped quote opens nothing",
         marked({{"echo \\\" ", false}, {"v", true}}),
         "echo \\\" \"${1}\"",
         {"v"}},
        {"a backslash before a value stays one",
         marked({{"echo a\\", false}, {"v", true}}),
         "echo a\\\\\"${1}\"",
         {"v"}},
        {"a dollar before a value stays one",
         marked({{"echo \"$", false}, {"v", true}}),
         "echo \"\\$${1}",
         {"v"}},
    };
    for (const Case& c : cases) {
        OutputCommand command = buildOutputCommand(c.value);
        EXPECT_EQ(std::string(command.line.c_str()), c.script) << c.rule;
        EXPECT_EQ(argumentsOf(command), c.arguments) << c.rule;
        EXPECT_TRUE(command.problem.empty()) << c.rule;
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the command's script with the real shell and returns what it printed.
std::string runWithShell(const OutputCommand& command, const std::string& directory) {
    std::string out = directory + "/shell.out";
    std::vector<const char*> argv = {"sh", "-c", command.line.c_str(), "sh"};
    for (int32_t i = 0; i < command.arguments.count(); ++i) {
        argv.push_back(command.arguments.stringAt(i));
    }
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child == 0) {
        int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || chdir(directory.c_str()) != 0 || dup2(fd, STDOUT_FILENO) < 0) {
            _exit(99);
        }
        execv("/bin/sh", const_cast<char* const*>(argv.data()));
        _exit(98);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command.line.c_str();
    return readFile(out);
}

TEST(OutputCommandPosix, HostileValuesReachTheCommandAsOneWordAndRunNothing) {
    ScratchTree tree;
    const char* hostile[] = {
        "my apps",
        "x$(touch INJECTED)",
        "`touch INJECTED`",
        "a'b\"c",
        "'; touch INJECTED; '",
        "\"; touch INJECTED; \"",
        "%PATH% $HOME ${HOME} $1 $@",
        "\\\\ \\\" \\' \\",
        "new\nline; touch INJECTED",
        "*",
        "",
    };
    for (const char* value : hostile) {
        SCOPED_TRACE(value);
        struct Layout {
            ExpandedText script;
            std::string printed;
        } layouts[] = {
            {marked({{"printf '[%s]' ", false}, {value, true}}), std::string("[") + value + "]"},
            {marked({{"printf '[%s]' \"<", false}, {value, true}, {">\"", false}}),
             std::string("[<") + value + ">]"},
            {marked({{"printf '[%s]' '<", false}, {value, true}, {">'", false}}),
             std::string("[<") + value + ">]"},
            {marked({{"printf '[%s]' x", false}, {value, true}, {"y z", false}}),
             std::string("[x") + value + "y][z]"},
            {marked({{"printf '[%s]' \"$(printf '%s' ", false}, {value, true}, {")\"", false}}),
             std::string("[") + value + "]"},
        };
        for (const Layout& layout : layouts) {
            OutputCommand command = buildOutputCommand(layout.script);
            std::string printed = runWithShell(command, tree.root());
            EXPECT_EQ(printed, layout.printed) << command.line.c_str();
        }
        struct stat info;
        EXPECT_NE(stat(tree.path("INJECTED").c_str(), &info), 0) << "a value was run";
    }
}

}  // namespace
