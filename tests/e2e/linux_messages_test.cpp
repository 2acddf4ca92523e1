// Messages between packed instances with the real JDK: objects sent with
// com.tarnwick.wyn.Instances arrive intact, in order, through the receiver's class loader.
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
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

// The "burst-I" numbers that arrived from sender, in the order they arrived.
std::vector<int> burstNumbers(const std::string& output, const Instance& sender) {
    std::vector<int> numbers;
    std::string prefix = "got from=" + sender.pidText() + " kind=java.lang.String value=burst-";
    size_t at = 0;
    while ((at = output.find(prefix, at)) != std::string::npos) {
        at += prefix.size();
        numbers.push_back(std::stoi(output.substr(at)));
    }
    return numbers;
}

std::vector<int> zeroTo(int count) {
    std::vector<int> numbers;
    for (int i = 0; i < count; ++i) {
        numbers.push_back(i);
    }
    return numbers;
}

// Three senders burst at one receiver whose onReceive takes a millisecond, while an idle
// instance watches too: every object arrives once, in order per sender.
TEST_F(LinuxMessages, BurstsFromThreeSendersArriveWholeAndInOrder) {
    constexpr int kCount = 400;
    std::string exe = packApp("custom");
    Instance first(exe, dir(), "first");
    Instance receiver(exe, dir(), "receiver");
    std::vector<std::unique_ptr<Instance>> senders;
    for (const char* name : {"a", "b", "c"}) {
        senders.push_back(std::make_unique<Instance>(exe, dir(), name));
    }
    receiver.run("receiver 1");
    for (auto& sender : senders) {
        sender->run("burst " + receiver.pidText() + " " + std::to_string(kCount));
    }
    for (auto& sender : senders) {
        std::string last = "got from=" + sender->pidText() + " kind=java.lang.String value=burst-" +
                           std::to_string(kCount - 1) + ":";
        ASSERT_TRUE(receiver.waitFor(last)) << receiver.output();
    }
    for (auto& sender : senders) {
        EXPECT_EQ(burstNumbers(receiver.output(), *sender), zeroTo(kCount)) << sender->pidText();
    }
    for (auto& sender : senders) {
        sender->stop();
    }
    receiver.stop();
    first.stop();
}

// A receiver that blocks in onReceive loses nothing, and meanwhile the others talk.
TEST_F(LinuxMessages, BlockingReceiverLosesNothingAndHoldsUpNobody) {
    std::string exe = packApp("custom");
    Instance first(exe, dir(), "first");
    Instance slow(exe, dir(), "slow");
    Instance other(exe, dir(), "other");
    Instance sender(exe, dir(), "sender");
    slow.run("receiver 3000");
    other.run("receiver");
    sender.run("burst " + slow.pidText() + " 3");
    ASSERT_TRUE(slow.waitFor("value=burst-0:")) << slow.output();
    // While the slow one sleeps in its first delivery, a large message reaches another.
    sender.run("send " + other.pidText() + " 100000");
    EXPECT_TRUE(other.waitFor(gotBytes(sender, 100000), 2500)) << other.output();
    EXPECT_EQ(slow.output().find("value=burst-1:"), std::string::npos) << slow.output();
    ASSERT_TRUE(slow.waitFor("value=burst-2:")) << slow.output();
    EXPECT_EQ(burstNumbers(slow.output(), sender), zeroTo(3));
    sender.stop();
    other.stop();
    slow.stop();
    first.stop();
}

// A reply sent and flushed from inside onReceive goes out at once: flush waits only for the
// instance's own queue, not for its own delivery thread.
TEST_F(LinuxMessages, FlushInsideOnReceiveReturnsOnceTheReplyIsOut) {
    std::string exe = packApp("custom");
    Instance first(exe, dir(), "first");
    Instance asker(exe, dir(), "asker");
    first.run("replier");
    asker.run("receiver");
    for (int i = 0; i < 3; ++i) {
        asker.run("sendfirst q" + std::to_string(i));
    }
    for (int i = 0; i < 3; ++i) {
        std::string reply = "got from=" + first.pidText() + " kind=java.lang.String value=reply-q" +
                            std::to_string(i) + " at=";
        ASSERT_TRUE(asker.waitFor(reply)) << asker.output();
    }
    // Each reply's flush is printed once it returned, after the reply went out.
    std::vector<int> flushes;
    for (int i = 0; i < 600 && flushes.size() < 3; ++i) {
        first.waitFor("replyflush=none", 20);
        flushes.clear();
        const std::string& out = first.output();
        for (size_t at = out.find("replyflush="); at != std::string::npos;
             at = out.find("replyflush=", at + 1)) {
            flushes.push_back(std::stoi(out.substr(at + 11)));
        }
    }
    ASSERT_EQ(flushes.size(), 3u) << first.output();
    for (int waited : flushes) {
        EXPECT_LT(waited, 1000) << first.output();
    }
    first.stop();
    asker.stop();
}

// A message for a live process that is no instance (this test itself) is discarded at once:
// flush does not wait, and the next message to an instance arrives.
TEST_F(LinuxMessages, SendToAProcessThatIsNoInstanceReturnsAtOnce) {
    std::string exe = packApp("custom");
    Instance first(exe, dir(), "first");
    Instance second(exe, dir(), "second");
    first.run("receiver");
    second.run("send " + std::to_string(getpid()) + " 20000");
    int n = second.run("flush");
    EXPECT_LT(std::stoi(reportValue(second.output(), "flushed." + std::to_string(n))), 50);
    second.run("send " + first.pidText() + " 30");
    EXPECT_TRUE(first.waitFor(gotBytes(second, 30), 2000)) << first.output();
    first.stop();
    second.stop();
}

// A sender killed in the middle of a large message, and an addressee killed while one comes
// in, leave the mailbox free: the next messages between the others arrive.
TEST_F(LinuxMessages, InstancesKilledMidMessageLeaveTheMailboxFree) {
    std::string exe = packApp("custom");
    Instance first(exe, dir(), "first");
    Instance second(exe, dir(), "second");
    auto doomed = std::make_unique<Instance>(exe, dir(), "doomed");
    first.run("receiver");
    doomed->run("receiver 60000");
    // The sender dies mid-message.
    doomed->run("send " + first.pidText() + " 50000000");
    usleep(300000);
    kill(doomed->pid(), SIGKILL);
    second.run("send " + first.pidText() + " 40");
    EXPECT_TRUE(first.waitFor(gotBytes(second, 40))) << first.output();
    EXPECT_EQ(first.output().find("size=50000000"), std::string::npos);
    // The addressee dies while a message comes in.
    auto target = std::make_unique<Instance>(exe, dir(), "target");
    target->run("receiver");
    second.run("send " + target->pidText() + " 50000000");
    usleep(300000);
    kill(target->pid(), SIGKILL);
    second.run("send " + first.pidText() + " 41");
    EXPECT_TRUE(first.waitFor(gotBytes(second, 41))) << first.output();
    first.stop();
    second.stop();
}

}  // namespace
