// The packed Linux launcher with the real JDK under load: a hundred simultaneous starts of a
// single-instance application, ten thousand command-line arguments, and a mebibyte of
// configuration text, embedded or in the external file.
#include <unistd.h>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "e2e/launch_fixture.h"

namespace {

const std::string kProbe = "mainclass com.example.probe.Probe\n";

class LaunchStress : public LaunchTest {
  protected:
    ChildCommand command(const std::string& exe, const std::vector<std::string>& args = {}) {
        ChildCommand c;
        c.argv = {exe};
        c.argv.insert(c.argv.end(), args.begin(), args.end());
        c.setEnv = {std::string("JAVA_HOME=") + E2ePaths::jdk()};
        c.unsetEnv = {"JRE_HOME", "CLASSPATH", "CLASS_PATH", "JAVA_TOOL_OPTIONS"};
        c.workingDirectory = dir();
        return c;
    }
};

TEST_F(LaunchStress, OneOfAHundredSimultaneousStartsRunsAndTheOthersAreRefused) {
    constexpr int kStarts = 100;
    std::string exe = packLinux(kProbe + "singleinstance true\nappid wyn.stress.single." +
                                std::to_string(getpid()) + "\noption -Dprobe.action=wait\n");
    ChildCommand start = command(exe);
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int i = 0; i < kStarts; ++i) {
        children.push_back(std::make_unique<ChildProcess>(start));
        ASSERT_TRUE(children.back()->started());
    }

    // Each child either reaches main (it then waits there) or ends; none may hang on the way.
    std::vector<ChildProcess*> running;
    int refused = 0;
    std::string others;
    for (auto& child : children) {
        if (child->waitForOutput("ready=1", 120000)) {
            running.push_back(child.get());
            continue;
        }
        ChildResult ended = child->finish(30000);
        if (ended.exitCode == 11 && !ended.timedOut) {
            ++refused;
        } else {
            others += "exit " + std::to_string(ended.exitCode) + (ended.timedOut ? " (hung)" : "") +
                      ": " + ended.err + "\n";
        }
    }
    EXPECT_EQ(running.size(), 1u);
    EXPECT_EQ(refused, kStarts - 1) << others;
    for (ChildProcess* child : running) {
        child->sendSignal(SIGTERM);
        EXPECT_EQ(child->finish(30000).exitCode, 0);
    }
}

// The "argN=value" lines of the probe's report, in order.
std::vector<std::string> reportedArguments(const std::string& out) {
    std::vector<std::string> arguments;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        end = end == std::string::npos ? out.size() : end;
        std::string line = out.substr(start, end - start);
        std::string expectedKey = "arg" + std::to_string(arguments.size()) + "=";
        if (line.compare(0, expectedKey.size(), expectedKey) == 0) {
            arguments.push_back(line.substr(expectedKey.size()));
        }
        start = end + 1;
    }
    return arguments;
}

TEST_F(LaunchStress, TenThousandArgumentsArriveInOrder) {
    constexpr int kArguments = 10000;
    std::vector<std::string> args;
    for (int i = 0; i < kArguments; ++i) {
        switch (i % 4) {
            case 0:
                args.push_back("plain" + std::to_string(i));
                break;
            case 1:
                args.push_back("with blank " + std::to_string(i));
                break;
            case 2:
                args.push_back("quote\"and\\\\\"back\\slash" + std::to_string(i));
                break;
            default:
                args.push_back(i % 8 == 3 ? "" : "gr\xC3\xBC\xC3\x9F" + std::to_string(i));
        }
    }
    // Without wildcard expansion the arguments pass as given; with it the launcher rebuilds
    // one command line of them and splits it again.
    for (const char* wildcard : {"false", "true"}) {
        SCOPED_TRACE(wildcard);
        std::string exe =
            packLinux(kProbe + "wildcard " + wildcard + "\n", std::string("args-") + wildcard);
        ChildResult r = runChild(command(exe, args), 300000);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(reportValue(r.out, "argc"), std::to_string(kArguments));
        std::vector<std::string> received = reportedArguments(r.out);
        ASSERT_EQ(received.size(), args.size());
        int mismatches = 0;
        for (size_t i = 0; i < args.size(); ++i) {
            if (received[i] != args[i] && ++mismatches <= 5) {
                ADD_FAILURE() << "argument " << i << " is '" << received[i] << "', expected '"
                              << args[i] << "'";
            }
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_NE(r.out.find("main=returned"), std::string::npos);
    }
}

// A mebibyte of lines the launcher does not know, with the lines it needs at both ends.
std::string mebibyteOfConfiguration(const std::string& first, const std::string& last) {
    std::string text = first;
    for (int line = 0; text.size() < (1u << 20); ++line) {
        text += "filler" + std::to_string(line) + " = " + std::string(60, 'x') + "\r\n";
    }
    return text + last;
}

TEST_F(LaunchStress, AMebibyteOfConfigurationIsReadToItsEnd) {
    std::string ends = "argv last\noption -Dprobe.properties=probe.first,probe.last\n";
    // Embedded: the main class on the first line, the other settings after the mebibyte.
    std::string embedded =
        packLinux(mebibyteOfConfiguration(kProbe + "property probe.first=embedded\n",
                                          ends + "property probe.last=end of the embedded text\n"),
                  "embedded");
    ChildResult r = runChild(command(embedded, {"given"}), 300000);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "argc"), "2");
    EXPECT_EQ(reportValue(r.out, "arg0"), "last");
    EXPECT_EQ(reportValue(r.out, "arg1"), "given");
    EXPECT_EQ(reportValue(r.out, "property.probe.first"), "embedded");
    EXPECT_EQ(reportValue(r.out, "property.probe.last"), "end of the embedded text");

    // External: a mebibyte beside the executable, whose lines come before the embedded ones.
    std::string outer = packLinux(kProbe + ends, "outer");
    writeFile(outer + ".cfg",
              mebibyteOfConfiguration("property probe.first=external\n",
                                      "property probe.last=end of the external file\n"));
    r = runChild(command(outer), 300000);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "arg0"), "last");
    EXPECT_EQ(reportValue(r.out, "property.probe.first"), "external");
    EXPECT_EQ(reportValue(r.out, "property.probe.last"), "end of the external file");
}

}  // namespace
