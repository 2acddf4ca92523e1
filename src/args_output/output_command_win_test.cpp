// Output commands on Windows: the program name, the arguments and cmd's second reading each
// get the quoting they need, and the system's own splitter (CommandLineToArgvW, the C
// runtime's rules) gives every inserted value back as it was.
#include "args_output/output_command.h"

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "platform/codepage.h"

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

TEST(OutputCommandWindows, EachValueIsQuotedForWhereItStands) {
    struct Case {
        const char* rule;
        ExpandedText value;
        const char* line;
    } cases[] = {
        {"the user's text as written", marked({{"C:\\Tools\\tee.exe C:\\logs\\err.txt", false}}),
         "C:\\Tools\\tee.exe C:\\logs\\err.txt"},
        {"a bare value is quoted, its last backslash kept",
         marked({{"\"C:\\Tools\\tee.exe\" ", false}, {"C:\\my apps\\", true}, {"app.log", false}}),
         "\"C:\\Tools\\tee.exe\" \"C:\\my apps\\\\\"app.log"},
        {"a program name with a value is quoted whole",
         marked({{"", false}, {"C:\\my apps\\", true}, {"tool.exe -x", false}}),
         "\"C:\\my apps\\tool.exe\" -x"},
        {"inside the user's quotes", marked({{"t \"", false}, {"C:\\a\\", true}, {"\"", false}}),
         "t \"C:\\a\\\\\""},
        {"a quote in a value", marked({{"t ", false}, {"a\"b", true}}), "t \"a\\\"b\""},
        {"backslashes before a quote in a value", marked({{"t ", false}, {"a\\\\\"b", true}}),
         "t \"a\\\\\\\\\\\"b\""},
        {"the user's backslash before a value stays one", marked({{"t x\\", false}, {"\"", true}}),
         "t x\\\\\"\\\"\""},
        {"an empty value is an empty argument", marked({{"t ", false}, {"", true}}), "t \"\""},
        {"cmd: a percent sign goes between quotes of its own",
         marked({{"cmd /c tool ", false}, {"50%PATH%", true}}), "cmd /c tool \"50\"%\"PATH\"%\"\""},
        {"cmd: a backslash before a percent sign stays one",
         marked({{"cmd /c tool ", false}, {"a\\%b", true}}), "cmd /c tool \"a\\\\\"%\"b\""},
        {"cmd: a command that starts with a value gets one more pair of quotes",
         marked({{"cmd /c ", false}, {"C:\\my apps\\t.exe", true}, {" x", false}}),
         "cmd /c \"\"C:\\my apps\\t.exe\" x\""},
        {"cmd: the quote that cmd removes opens nothing",
         marked({{"CMD.EXE /C \"tool ", false}, {"D:\\my apps\\r.txt", true}, {"\"", false}}),
         "CMD.EXE /C \"tool \"D:\\my apps\\r.txt\"\""},
        {"cmd through COMSPEC: & ^ ( ) in quotes",
         marked({{"", false},
                 {"C:\\windows\\system32\\cmd.exe", true},
                 {" /c echo ", false},
                 {"a&b^(c)", true}}),
         "\"C:\\windows\\system32\\cmd.exe\" /c echo \"a&b^(c)\""},
    };
    for (const Case& c : cases) {
        OutputCommand command = buildOutputCommand(c.value);
        EXPECT_EQ(std::string(command.line.c_str()), c.line) << c.rule;
        EXPECT_TRUE(command.problem.empty()) << c.rule;
        EXPECT_EQ(command.arguments.count(), 0) << c.rule;
    }
}

TEST(OutputCommandWindows, ValuesThatCannotBeWrittenAreRefused) {
    struct Case {
        ExpandedText value;
        const char* problem;
    } cases[] = {
        {marked({{"", false}, {"C:\\a\"b\\t.exe", true}}),
         "a program name cannot hold a double quote"},
        {marked({{"cmd /c tool ", false}, {"a\"b", true}}),
         "cmd cannot be given a value that holds a double quote"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(buildOutputCommand(c.value).problem.c_str()), c.problem);
    }
}

// The arguments as the C runtime's rules split the line, in UTF-8.
std::vector<std::string> split(const TextString& line) {
    WideString wide = wideFromNarrow(line.c_str(), line.length());
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(reinterpret_cast<LPCWSTR>(wide.data()), &count);
    std::vector<std::string> arguments;
    for (int i = 0; argv != nullptr && i < count; ++i) {
        const char16_t* text = reinterpret_cast<const char16_t*>(argv[i]);
        TextString narrow = narrowFromWide(text, -1);
        arguments.emplace_back(narrow.c_str(), narrow.length());
    }
    LocalFree(argv);
    return arguments;
}

TEST(OutputCommandWindows, TheSystemsSplitterGivesEveryValueBack) {
    const char* hostile[] = {
        "my apps", "C:\\my apps\\", "a\"b",     "\\\\\"\\", "\"", "x$(y) `z`; %PATH% & ^ ! ( )",
        "",        "trailing\\\\",  "'single'",
    };
    for (const char* value : hostile) {
        SCOPED_TRACE(value);
        struct Layout {
            ExpandedText value;
            std::vector<std::string> arguments;
        } layouts[] = {
            {marked({{"t.exe ", false}, {value, true}, {" next", false}}),
             {"t.exe", value, "next"}},
            {marked({{"t.exe \"<", false}, {value, true}, {">\" next", false}}),
             {"t.exe", std::string("<") + value + ">", "next"}},
            {marked({{"t.exe x", false}, {value, true}, {"y", false}}),
             {"t.exe", std::string("x") + value + "y"}},
            {marked({{"t.exe \\", false}, {value, true}}), {"t.exe", std::string("\\") + value}},
        };
        for (const Layout& layout : layouts) {
            OutputCommand command = buildOutputCommand(layout.value);
            EXPECT_EQ(split(command.line), layout.arguments) << command.line.c_str();
        }
    }
}

}  // namespace
