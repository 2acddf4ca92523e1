// The output redirector in this process: which values open which sinks, the C library's
// streams moved onto a file and put back at teardown, and the forced Java-side fallback.
#include "args_output/output_redirector.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "support/scratch_tree.h"

namespace {

// The file's text, line ends as line feeds: on Windows the C runtime's descriptors of the
// targets are in text mode, so the launcher's own lines end in CR LF there, like Java's.
std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string lines;
    for (char c : text.str()) {
        if (c != '\r') {
            lines += c;
        }
    }
    return lines;
}

// Puts this test's own file under stdout and stderr for its lifetime, so that what the
// redirector restores can be told apart from the target.
class OwnStandardStreams {
  public:
    explicit OwnStandardStreams(const std::string& path)
        : handle_(platform::openAppendFile(path.c_str())) {
        platform::replaceStandardStream(platform::StandardStream::Output, handle_, false, out_);
        platform::replaceStandardStream(platform::StandardStream::Error, handle_, false, err_);
    }
    ~OwnStandardStreams() {
        platform::restoreStandardStream(platform::StandardStream::Error, err_);
        platform::restoreStandardStream(platform::StandardStream::Output, out_);
        platform::closeOutput(handle_);
    }

  private:
    platform::OutputHandle handle_;
    platform::SavedStandardStream out_;
    platform::SavedStandardStream err_;
};

TEST(OutputRedirector, ValuesNameSinks) {
    ScratchTree tree;
    CurrentDirectoryScope cwd(tree.root());
    OutputRedirector redirector;
    OutputSink* log = redirector.findOrOpenSink("log.txt");
    EXPECT_NE(log->handle(), platform::kNoOutput);
    EXPECT_FALSE(log->isCommand());
    EXPECT_EQ(redirector.findOrOpenSink("log.txt"), log) << "the same value, the same sink";
    EXPECT_NE(redirector.findOrOpenSink("LOG.txt "), log) << "compared byte for byte";

    OutputSink* missing = redirector.findOrOpenSink("no/such/dir/log.txt");
    EXPECT_EQ(missing->handle(), platform::kNoOutput);
    tree.directory("no/such/dir");
    EXPECT_EQ(redirector.findOrOpenSink("no/such/dir/log.txt"), missing) << "not tried again";
    EXPECT_EQ(missing->handle(), platform::kNoOutput);

    OutputSink* bare = redirector.findOrOpenSink("|");
    EXPECT_TRUE(bare->isCommand());
    EXPECT_EQ(bare->handle(), platform::kNoOutput) << "an empty command line starts nothing";
    EXPECT_FALSE(redirector.findOrOpenSink(" |x")->isCommand()) << "a blank makes a file name";
    EXPECT_EQ(redirector.sinkCount(), 5);
}

TEST(OutputRedirector, StandardStreamsGoToTheSinkAndComeBackAtTeardown) {
    ScratchTree tree;
    std::string own = tree.path("own.txt");
    std::string target = tree.file("target.txt", "before\n");
    {
        OwnStandardStreams streams(own);
        auto redirector = std::make_unique<OutputRedirector>();
        redirector->redirectStderr(target.c_str());
        redirector->redirectStdout(target.c_str());
        std::fputs("out line\n", stdout);
        std::fputs("err line\n", stderr);
        std::fflush(stdout);
        EXPECT_EQ(redirector->sinkCount(), 1) << "one sink for both streams";
        EXPECT_EQ(redirector->stdoutTarget(), redirector->stderrTarget());
        EXPECT_FALSE(redirector->stdoutFallback());
        EXPECT_FALSE(redirector->stderrFallback());
        std::fputs("buffered at the end\n", stdout);
        redirector.reset();
        std::fputs("after teardown\n", stdout);
        std::fflush(stdout);
    }
    EXPECT_EQ(readAll(target), "before\nout line\nerr line\nbuffered at the end\n");
    EXPECT_EQ(readAll(own), "after teardown\n");
}

TEST(OutputRedirector, UnopenableTargetLeavesTheStreamAlone) {
    ScratchTree tree;
    std::string own = tree.path("own.txt");
    {
        OwnStandardStreams streams(own);
        OutputRedirector redirector;
        redirector.redirectStdout(tree.path("missing/out.txt").c_str());
        std::fputs("still here\n", stdout);
        std::fflush(stdout);
        EXPECT_EQ(redirector.stdoutTarget(), platform::kNoOutput);
        EXPECT_FALSE(redirector.stdoutFallback());
    }
    EXPECT_EQ(readAll(own), "still here\n");
}

TEST(OutputRedirector, ForcedFallbackLeavesTheStandardStreamsForJava) {
    ScratchTree tree;
    std::string own = tree.path("own.txt");
    std::string target = tree.path("target.txt");
    {
        OwnStandardStreams streams(own);
        EnvironmentScope forced("WYN_REDIRECT_FALLBACK", "1");
        OutputRedirector redirector;
        redirector.redirectStdout(target.c_str());
        std::fputs("not moved\n", stdout);
        std::fflush(stdout);
        EXPECT_TRUE(redirector.stdoutFallback());
        EXPECT_FALSE(redirector.stderrFallback());
        ASSERT_NE(redirector.stdoutTarget(), platform::kNoOutput);
        EXPECT_TRUE(platform::writeOutput(redirector.stdoutTarget(), "java side\n", 10));
    }
    EXPECT_EQ(readAll(own), "not moved\n");
    EXPECT_EQ(readAll(target), "java side\n");
}

}  // namespace
