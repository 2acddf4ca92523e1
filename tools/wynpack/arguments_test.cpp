#include "arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wynpack {
namespace {

using Args = std::vector<std::string>;

TEST(Arguments, EveryOptionInBothForms) {
    const Args forms[] = {
        {"--target", "windows-x86", "--config", "app.cfg", "--jar", "a.jar", "--jar", "b.jar",
         "--no-support", "--output", "app.exe"},
        {"--output=app.exe", "--jar=a.jar", "--no-support", "--config=app.cfg", "--jar", "b.jar",
         "--target=windows-x86"},
    };
    for (const Args& args : forms) {
        PackOptions options;
        std::string error;
        ASSERT_TRUE(parseArguments(args, options, error)) << error;
        EXPECT_FALSE(options.help);
        EXPECT_EQ(options.target, "windows-x86");
        EXPECT_EQ(options.stub, "");
        EXPECT_EQ(options.config, "app.cfg");
        EXPECT_EQ(options.jars, (std::vector<std::string>{"a.jar", "b.jar"}));
        EXPECT_TRUE(options.noSupport);
        EXPECT_EQ(options.output, "app.exe");
    }
}

TEST(Arguments, StubInsteadOfTargetAndSupportByDefault) {
    PackOptions options;
    std::string error;
    ASSERT_TRUE(parseArguments(
        {"--stub", "my stub", "--config", "c", "--jar", "-", "--output", "o"}, options, error))
        << error;
    EXPECT_EQ(options.stub, "my stub");
    EXPECT_EQ(options.target, "");
    EXPECT_EQ(options.jars, (std::vector<std::string>{"-"}));
    EXPECT_FALSE(options.noSupport);
    EXPECT_EQ(options.supportJar, "");
    ASSERT_TRUE(parseArguments({"--target=linux-x86_64", "--support-jar", "my support.jar",
                                "--config", "c", "--jar", "j", "--output", "o"},
                               options = PackOptions(), error))
        << error;
    EXPECT_EQ(options.supportJar, "my support.jar");
    EXPECT_FALSE(options.noSupport);
}

TEST(Arguments, HelpAnywhereWins) {
    for (const Args& args : {Args{"--help"}, Args{"-h"}, Args{"--bogus", "--help"},
                             Args{"--config", "c", "-h", "--jar"}}) {
        PackOptions options;
        std::string error;
        ASSERT_TRUE(parseArguments(args, options, error)) << error;
        EXPECT_TRUE(options.help);
    }
}

TEST(Arguments, WrongCommandLinesAreRefusedWithTheReason) {
    const Args rest = {"--config", "c", "--jar", "j", "--output", "o"};
    auto with = [&](Args head) {
        head.insert(head.end(), rest.begin(), rest.end());
        return head;
    };
    struct Case {
        Args args;
        std::string error;
    } cases[] = {
        {{}, "missing --target or --stub (see wynpack --help)"},
        {with({"--frobnicate"}), "unknown option --frobnicate"},
        {with({"--target=linux-x86_64", "-v"}), "unknown option -v"},
        {with({"--target=linux-x86_64", "extra"}), "unexpected argument 'extra'"},
        {with({"--target=linux-x86_64", "--config=d"}), "option --config is given more than once"},
        {with({"--target=linux-x86_64", "--output", "p"}),
         "option --output is given more than once"},
        {with({"--target", "linux-x86_64", "--stub", "s"}),
         "give either --target or --stub, not both"},
        {with({"--target", "macos"}),
         "unknown target 'macos' (known: windows-x86, windows-x86_64, linux-x86_64)"},
        {with({"--target", "Windows-x86"}),
         "unknown target 'Windows-x86' (known: windows-x86, windows-x86_64, linux-x86_64)"},
        {with({"--stub"}), "option --stub needs a value"},
        {with({"--stub="}), "option --stub needs a value"},
        {with({"--stub=s", "--no-support=yes"}), "option --no-support takes no value"},
        {with({"--stub=s", "--support-jar", "x.jar", "--no-support"}),
         "give either --no-support or --support-jar, not both"},
        {with({"--stub=s", "--support-jar=a.jar", "--support-jar=b.jar"}),
         "option --support-jar is given more than once"},
        {with({"--stub=s", "--support-jar"}), "option --support-jar needs a value"},
        {{"--stub", "s", "--jar", "j", "--output", "o"}, "missing --config (see wynpack --help)"},
        {{"--stub", "s", "--config", "c", "--output", "o"}, "missing --jar (see wynpack --help)"},
        {{"--stub", "s", "--config", "c", "--jar", "j"}, "missing --output (see wynpack --help)"},
        {{"--stub", "s", "--config", "c", "--jar", "j", "--output"},
         "option --output needs a value"},
        {{"--stub", "s", "--config", "--jar", "j", "--output", "o"},
         "option --config needs a value"},
        {with({"--stub=s", "--runtime", "jre", "--jlink"}),
         "give either --runtime or --jlink, not both"},
        {with({"--stub=s", "--jdk", "/opt/jdk"}),
         "--jdk names the JDK that --jlink links a runtime from; give --jlink too"},
        {with({"--stub=s", "--runtime=a", "--runtime=b"}),
         "option --runtime is given more than once"},
        {with({"--stub=s", "--jlink", "--jdk"}), "option --jdk needs a value"},
        {with({"--stub=s", "--jlink=yes"}), "option --jlink takes no value"},
    };
    for (const Case& c : cases) {
        PackOptions options;
        std::string error;
        EXPECT_FALSE(parseArguments(c.args, options, error)) << testing::PrintToString(c.args);
        EXPECT_EQ(error, c.error) << testing::PrintToString(c.args);
    }
}

TEST(Arguments, CarriedRuntimeOptions) {
    PackOptions options;
    std::string error;
    ASSERT_TRUE(parseArguments(
        {"--stub=s", "--config=c", "--jar=j", "--output=o", "--runtime", "my jre"}, options, error))
        << error;
    EXPECT_EQ(options.runtime, "my jre");
    EXPECT_FALSE(options.jlink);
    ASSERT_TRUE(parseArguments(
        {"--stub=s", "--config=c", "--jar=j", "--output=o", "--jlink", "--jdk=/opt/jdk 17"},
        options, error))
        << error;
    EXPECT_EQ(options.runtime, "");
    EXPECT_TRUE(options.jlink);
    EXPECT_EQ(options.jdk, "/opt/jdk 17");
}

TEST(Arguments, KnownTargetsAndTheirStubs) {
    EXPECT_STREQ(stubFileName("windows-x86"), "wyn.exe");
    EXPECT_STREQ(stubFileName("windows-x86_64"), "wyn.exe");
    EXPECT_STREQ(stubFileName("linux-x86_64"), "wyn");
    EXPECT_EQ(stubFileName("linux-x86"), nullptr);
    EXPECT_EQ(stubFileName(""), nullptr);
}

TEST(Arguments, HelpNamesEveryOption) {
    std::string help = helpText();
    for (const char* option :
         {"--target", "--stub", "--config", "--jar", "--no-support", "--output", "--help",
          "--runtime", "--jlink", "--jdk", "windows-x86_64", "linux-x86_64", "Windows-1252",
          "UTF-16", "Exit status"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
}

}  // namespace
}  // namespace wynpack
