// Messages between packed instances with the real JDK: objects sent with
// com.tarnwick.wyn.Instances arrive intact, in order, through the receiver's class loader.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "e2e/launch_fixture.h"

namespace {

constexpr int kWaitMs = 60000;

// A running MessagesApp, driven through command files.
class Instance {
  public:
    Instance(const std::string& exe, const std::string& dir, const std::string& name)
        : dir_(dir), name_(name) {
        ChildCommand command;
        command.argv = {exe, dir, name};
        // A private directory of the test's own holds the user's shared objects.
        command.setEnv = {std::string("JAVA_HOME=") + E2ePaths::jdk(),
                          "XDG_RUNTIME_DIR=" + dir + "/run"};
        command.unsetEnv = {"JRE_HOME", "CLASSPATH", "CLASS_PATH"};
        child_ = std::make_unique<ChildProcess>(command);
        EXPECT_TRUE(child_->waitForOutput("pid=", kWaitMs)) << child_->output();
    }

    int pid() const { return child_->pid(); }
    std::string pidText() const { return std::to_string(pid()); }
    const std::string& output() const { return child_->output(); }

    // Runs one command and returns its number.
    int run(const std::string& command) {
        int n = ++commands_;
        std::string path = dir_ + "/" + name_ + ".cmd." + std::to_string(n);
        {
            std::ofstream out(path + ".tmp");
            out << command;
        }
        std::rename((path + ".tmp").c_str(), path.c_str());
        EXPECT_TRUE(child_->waitForOutput("done." + std::to_string(n) + "=yes", kWaitMs))
            << command << "\n"
            << output();
        return n;
    }
    bool waitFor(const std::string& text, int timeoutMs = kWaitMs) {
        return child_->waitForOutput(text, timeoutMs);
    }
    ChildResult stop() {
        run("stop");
        return child_->finish(kWaitMs);
    }

  private:
    std::string dir_, name_;
    std::unique_ptr<ChildProcess> child_;
    int commands_ = 0;
};

// The CRC-32 of the pattern MessagesApp sends, as java.util.zip.CRC32 gives it.
unsigned long patternCrc(int size) {
    unsigned long crc = 0xffffffffUL;
    for (int i = 0; i < size; ++i) {
        crc ^= static_cast<unsigned char>(i * 31 + 7);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320UL & (0UL - (crc & 1)));
        }
    }
    return crc ^ 0xffffffffUL;
}

std::string gotBytes(const Instance& from, int size) {
    return "got from=" + from.pidText() + " kind=bytes size=" + std::to_string(size) +
           " crc=" + std::to_string(patternCrc(size)) + "\n";
}

// The "got" lines of an instance's output, in order.
std::string gotLines(const std::string& output) {
    std::string lines;
    size_t at = 0;
    while ((at = output.find("got from=", at)) != std::string::npos) {
        size_t end = output.find('\n', at);
        lines += output.substr(at, end - at) + "\n";
        at = end;
    }
    return lines;
}

class LinuxMessages : public LaunchTest {
  protected:
    std::string packApp(const std::string& mode) {
        mkdir((dir() + "/run").c_str(), 0700);
        appid_ = "wyn-e2e-messages-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string config = "mainclass com.example.messages.MessagesApp\nappid " + appid_ + "\n";
        if (!mode.empty()) {
            config += "singleinstance " + mode + "\n";
        }
        return pack(E2ePaths::linuxStub(), config, {WYN_E2E_MESSAGES_APP_JAR}, "app-" + mode);
    }

    std::string appid_;
};

TEST_F(LinuxMessages, ObjectsOfEverySizeArriveIntactAndInOrder) {
    std::string exe = packApp("custom");
    Instance first(exe, dir(), "first");
    Instance second(exe, dir(), "second");
    first.run("receiver");
    // Serial forms of 1020 and 1021 bytes make bodies of 1024 (one chunk) and 1025 bytes.
    int n = second.run("send " + first.pidText() + " 993");
    EXPECT_EQ(reportValue(second.output(), "serial." + std::to_string(n)), "1020");
    n = second.run("send " + first.pidText() + " 994");
    EXPECT_EQ(reportValue(second.output(), "serial." + std::to_string(n)), "1021");
    const int sizes[] = {1, 100, 2000, 100000, 4 << 20};
    for (int size : sizes) {
        second.run("send " + first.pidText() + " " + std::to_string(size));
    }
    ASSERT_TRUE(first.waitFor(gotBytes(second, 4 << 20))) << first.output();
    std::string expected = gotBytes(second, 993) + gotBytes(second, 994);
    for (int size : sizes) {
        expected += gotBytes(second, size);
    }
    EXPECT_EQ(gotLines(first.output()), expected);
    first.stop();
    second.stop();
}

TEST_F(LinuxMessages, FirstInstanceIsReachedByZeroAndReachesItself) {
    std::string exe = packApp("custom");
    Instance first(exe, dir(), "first");
    Instance second(exe, dir(), "second");
    first.run("receiver");
    second.run("send 0 5");
    EXPECT_TRUE(first.waitFor(gotBytes(second, 5))) << first.output();
    second.run("sendfirst hello");
    EXPECT_TRUE(
        first.waitFor("got from=" + second.pidText() + " kind=java.lang.String value=hello"))
        << first.output();
    first.run("send " + first.pidText() + " 6");
    EXPECT_TRUE(first.waitFor(gotBytes(first, 6))) << first.output();
    first.stop();
    second.stop();
}

// Dropped: a message to a process that does not run, one sent before the receiver is set,
// null, and an object that cannot be serialised; each time the next message arrives.
TEST_F(LinuxMessages, UndeliverableMessagesAreDroppedAndTheNextArrives) {
    std::string exe = packApp("custom");
    Instance first(exe, dir(), "first");
    Instance second(exe, dir(), "second");
    second.run("send " + first.pidText() + " 7");  // no receiver yet
    second.run("flush");
    usleep(500000);
    first.run("receiver");
    second.run("send 2147483000 3000");
    second.run("sendnull " + first.pidText());
    second.run("sendbad " + first.pidText());
    second.run("sendnote " + first.pidText() + " after");
    EXPECT_TRUE(first.waitFor("kind=note text=after")) << first.output();
    EXPECT_EQ(first.output().find("size=7 "), std::string::npos) << first.output();
    EXPECT_EQ(first.output().find("value=null"), std::string::npos) << first.output();
    EXPECT_EQ(first.output().find("got from=" + second.pidText() + " kind=bytes size=3000"),
              std::string::npos);
    // The class Note is known only to the application's loader, through which it resolved.
    first.run("clear");
    second.run("sendnote " + first.pidText() + " cleared");
    second.run("flush");
    usleep(500000);
    EXPECT_EQ(first.output().find("text=cleared"), std::string::npos);
    first.stop();
    ChildResult r = second.stop();
    EXPECT_NE(r.err.find("NotSerializableException"), std::string::npos) << r.err;
}

TEST_F(LinuxMessages, WithoutCustomModeNothingIsSentAndFlushReturnsAtOnce) {
    std::string exe = packApp("");
    Instance first(exe, dir(), "first");
    Instance second(exe, dir(), "second");
    first.run("receiver");
    second.run("send " + first.pidText() + " 10");
    int n = second.run("flush");
    EXPECT_LT(std::stoi(reportValue(second.output(), "flushed." + std::to_string(n))), 50);
    usleep(500000);
    EXPECT_EQ(first.output().find("got "), std::string::npos) << first.output();
    first.stop();
    second.stop();
}

// flush returns at once with nothing queued, and after about 5 s when the mailbox is held
// by chunks for a live instance that takes nothing (one without custom mode).
TEST_F(LinuxMessages, FlushWaitsAtMostAboutFiveSeconds) {
    std::string exe = packApp("custom");
    std::string plainExe = pack(
        E2ePaths::linuxStub(), "mainclass com.example.messages.MessagesApp\nappid " + appid_ + "\n",
        {WYN_E2E_MESSAGES_APP_JAR}, "app-plain");
    Instance first(exe, dir(), "first");
    Instance plain(plainExe, dir(), "plain");
    int n = first.run("flush");
    EXPECT_LT(std::stoi(reportValue(first.output(), "flushed." + std::to_string(n))), 50);
    first.run("send " + plain.pidText() + " 20000");
    n = first.run("flush");
    int waited = std::stoi(reportValue(first.output(), "flushed." + std::to_string(n)));
    EXPECT_GE(waited, 4900);
    EXPECT_LT(waited, 8000);
    first.stop();
    plain.stop();
}

TEST_F(LinuxMessages, AfterTheFirstEndsZeroReachesTheNewFirst) {
    std::string exe = packApp("custom");
    Instance first(exe, dir(), "first");
    Instance second(exe, dir(), "second");
    Instance third(exe, dir(), "third");
    second.run("receiver");
    third.run("receiver");
    first.stop();
    third.run("send 0 9");
    std::string got = gotBytes(third, 9);
    bool arrived = false;
    for (int i = 0; i < 200 && !arrived; ++i) {
        arrived = second.waitFor(got, 50) || third.waitFor(got, 50);
    }
    EXPECT_TRUE(arrived) << second.output() << third.output();
    second.stop();
    third.stop();
}

}  // namespace
