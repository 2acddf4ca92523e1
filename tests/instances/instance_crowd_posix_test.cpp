// The registry under many processes at once, on Linux: a full list, joins raced against
// kills, a process id that the system gave to an unrelated process, and a mailbox written
// by a hostile process.
#include <fcntl.h>
#include <linux/futex.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "instances/instance_block.h"
#include "instances/member_test_support.h"
#include "instances/shared_instance_block.h"
#include "platform/process_identity.h"

namespace {

using Members = std::vector<std::unique_ptr<MemberProcess>>;

std::set<int> pidsOf(const std::string& list) {
    std::set<int> pids;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) {
        pids.insert(std::stoi(item));
    }
    return pids;
}

// The test's own view of an application's block.
class BlockView {
  public:
    explicit BlockView(const std::string& appid) {
        int fd = open(blockPath(appid).c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            void* view = mmap(nullptr, sizeof(SharedInstanceBlock), PROT_READ | PROT_WRITE,
                              MAP_SHARED, fd, 0);
            close(fd);
            block_ = view != MAP_FAILED ? static_cast<SharedInstanceBlock*>(view) : nullptr;
        }
    }
    ~BlockView() {
        if (block_ != nullptr) {
            munmap(block_, sizeof(SharedInstanceBlock));
        }
    }
    SharedInstanceBlock* get() { return block_; }

  private:
    SharedInstanceBlock* block_ = nullptr;
};

// 250 places besides the first instance: the first 251 members are all reported, and the
// 252nd runs unlisted, unseen by the others (it still sees them).
TEST(InstanceCrowd, ListHoldsTheFirstAndTwoHundredFiftyMore) {
    std::string appid = uniqueAppid("crowd");
    Members members;
    for (int i = 0; i < 252; ++i) {
        members.push_back(std::make_unique<MemberProcess>(memberPath(), appid));
        ASSERT_TRUE(members.back()->started());
        // Joining one after the other keeps the order of the list known.
        ASSERT_NE(members.back()->readLine(kWaitMs), "") << "member " << i;
    }
    std::set<int> seen = pidsOf(lineValue(listOf(*members[0]), "instances"));
    EXPECT_EQ(seen.size(), 251u);
    for (int i = 0; i < 251; ++i) {
        EXPECT_EQ(seen.count(members[i]->pid()), 1u) << "member " << i;
    }
    EXPECT_EQ(seen.count(members[251]->pid()), 0u);
    std::set<int> fromLast = pidsOf(lineValue(listOf(*members[251]), "instances"));
    EXPECT_EQ(fromLast, seen);

    // A place that frees up goes to the next member that joins.
    members[100]->kill();
    MemberProcess late(memberPath(), appid);
    ASSERT_NE(late.readLine(kWaitMs), "");
    std::set<int> after = pidsOf(lineValue(listOf(*members[0]), "instances"));
    EXPECT_EQ(after.count(late.pid()), 1u);
    EXPECT_EQ(after.size(), 251u);
    removeNamedBlock(appid);
}

// 100 members start at once while a third of them are killed at random moments, some in the
// middle of joining: the survivors agree on one live first instance and list exactly the
// other survivors.
TEST(InstanceCrowd, SimultaneousJoinsWithKillsLeaveOneConsistentList) {
    std::string appid = uniqueAppid("race");
    std::mt19937 random(12345);
    Members members;
    for (int i = 0; i < 100; ++i) {
        members.push_back(std::make_unique<MemberProcess>(memberPath(), appid));
    }
    std::vector<int> order(100);
    for (int i = 0; i < 100; ++i) {
        order[i] = i;
    }
    std::shuffle(order.begin(), order.end(), random);
    std::set<int> killed(order.begin(), order.begin() + 33);
    for (int index : killed) {
        usleep(random() % 3000);
        members[index]->kill();
    }
    std::set<int> survivors;
    for (int i = 0; i < 100; ++i) {
        if (killed.count(i) == 0) {
            ASSERT_NE(members[i]->readLine(kWaitMs), "") << "member " << i;
            survivors.insert(members[i]->pid());
        }
    }
    std::set<int> firsts;
    for (int i = 0; i < 100; ++i) {
        if (killed.count(i) != 0) {
            continue;
        }
        std::string line = listOf(*members[i]);
        firsts.insert(std::stoi(lineValue(line, "first")));
        EXPECT_EQ(pidsOf(lineValue(line, "instances")), survivors) << line;
    }
    ASSERT_EQ(firsts.size(), 1u);
    EXPECT_EQ(survivors.count(*firsts.begin()), 1u);
    removeNamedBlock(appid);
}

// An entry whose process id now belongs to an unrelated live process (here a sleeping child
// listed with another start stamp) is dropped; the same process with its own stamp is kept.
TEST(InstanceCrowd, ReusedProcessIdIsNotAnInstance) {
    std::string appid = uniqueAppid("reuse");
    MemberProcess member(memberPath(), appid);
    ASSERT_NE(member.readLine(kWaitMs), "");
    pid_t stranger = fork();
    if (stranger == 0) {
        pause();
        _exit(0);
    }
    ASSERT_GT(stranger, 0);
    uint32_t stamp = 0;
    for (int i = 0; i < 100 && stamp == 0; ++i) {
        stamp = platform::processStartStamp(stranger);
    }
    ASSERT_NE(stamp, 0u);
    BlockView view(appid);
    ASSERT_NE(view.get(), nullptr);
    SharedInstanceBlock& block = *view.get();
    auto listStranger = [&](uint32_t listedStamp) {
        block.instancePids[1] = stranger;
        block.instanceStamps[1] = listedStamp;
        block.instanceCount = 2;
        return pidsOf(lineValue(listOf(member), "instances"));
    };
    EXPECT_EQ(listStranger(stamp + 1).count(stranger), 0u);
    EXPECT_EQ(listStranger(stamp).count(stranger), 1u);

    // The first-instance role held under a reused id passes to a live instance.
    block.firstInstancePid = stranger;
    block.firstInstanceStamp = stamp + 1;
    EXPECT_EQ(lineValue(listOf(member), "first"), std::to_string(member.pid()));
    kill(stranger, SIGKILL);
    waitpid(stranger, nullptr, 0);
    removeNamedBlock(appid);
}

// A block owned by another user is not joined: the process runs unlisted on its own.
TEST(InstanceCrowd, BlockOfAnotherUserIsNotJoined) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to make an object owned by another user";
    }
    std::string appid = uniqueAppid("foreign");
    int fd = open(blockPath(appid).c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(fchown(fd, 65534, 65534), 0);
    close(fd);
    MemberProcess member(memberPath(), appid);
    EXPECT_EQ(lineValue(member.readLine(kWaitMs), "shared"), "0");
    EXPECT_EQ(lineValue(listOf(member), "instances"), std::to_string(member.pid()));
    removeNamedBlock(appid);
}

// Whatever another process leaves in the mailbox, a watcher drops it and goes on: here a
// member in custom mode gets chunks with impossible lengths and indexes, then a sound
// message. (In the sanitizer tree the member runs under AddressSanitizer.)
TEST(InstanceCrowd, WatcherSurvivesHostileMailboxContents) {
    std::string appid = uniqueAppid("hostile");
    MemberProcess target(memberPath(), appid);
    ASSERT_NE(target.readLine(kWaitMs), "");
    target.send("custom");
    ASSERT_EQ(target.readLine(kWaitMs), "custom");
    BlockView view(appid);
    ASSERT_NE(view.get(), nullptr);
    SharedInstanceBlock& block = *view.get();
    const struct {
        int32_t index, last, length, chunkLength;
    } chunks[] = {
        {0, 0, 100, 100000},   {0, 0, -5, -5},     {-1, 0, 10, 10},   {7, 3, 4000, 1024},
        {0, 9, INT_MAX, 1024}, {0, 0, 2000, 1024}, {1, 1, 2000, 976}, {INT_MIN, INT_MAX, 0, 0},
    };
    for (const auto& c : chunks) {
        block.chunkSender = getpid();
        block.chunkMessageId = 99;
        block.chunkIndex = c.index;
        block.lastChunkIndex = c.last;
        block.messageLength = c.length;
        block.chunkLength = c.chunkLength;
        block.chunkPending = 1;
        __atomic_store_n(&block.chunkTarget, target.pid(), __ATOMIC_RELEASE);
        __atomic_add_fetch(&block.signalCount, 1, __ATOMIC_ACQ_REL);
        syscall(SYS_futex, &block.signalCount, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
        for (int i = 0; i < 500 && __atomic_load_n(&block.chunkPending, __ATOMIC_ACQUIRE); ++i) {
            usleep(2000);
        }
        EXPECT_EQ(block.chunkPending, 0) << "index " << c.index << " length " << c.length;
    }
    MemberProcess sender(memberPath(), appid);
    ASSERT_NE(sender.readLine(kWaitMs), "");
    sender.send("custom");
    ASSERT_EQ(sender.readLine(kWaitMs), "custom");
    sender.send("send " + std::to_string(target.pid()) + " 3000");
    EXPECT_EQ(target.readLine(kWaitMs),
              "received from=" + std::to_string(sender.pid()) + " size=3000 intact=1");
    EXPECT_EQ(target.quit(kWaitMs), 0);
    removeNamedBlock(appid);
}

// The block's file lasts while a member holds it: the last one to leave (at its end or on
// System.exit) removes it;
// one that was killed leaves it to the next member, which reuses it and removes it.
TEST(InstanceCrowd, BlockIsRemovedByTheLastMemberToLeave) {
    std::string appid = uniqueAppid("leave");
    std::string path = blockPath(appid);
    auto exists = [&] { return access(path.c_str(), F_OK) == 0; };
    MemberProcess a(memberPath(), appid);
    MemberProcess b(memberPath(), appid);
    ASSERT_NE(a.readLine(kWaitMs), "");
    ASSERT_NE(b.readLine(kWaitMs), "");
    EXPECT_TRUE(exists());
    EXPECT_EQ(a.quit(kWaitMs), 0);
    EXPECT_TRUE(exists());
    EXPECT_EQ(b.quit(kWaitMs), 0);
    EXPECT_FALSE(exists());

    // The same when they end as on System.exit, with their watchers running.
    MemberProcess c(memberPath(), appid);
    MemberProcess d(memberPath(), appid);
    for (MemberProcess* member : {&c, &d}) {
        ASSERT_NE(member->readLine(kWaitMs), "");
        member->send("custom");
        ASSERT_EQ(member->readLine(kWaitMs), "custom");
    }
    EXPECT_EQ(c.quit(kWaitMs, "exit"), 0);
    EXPECT_TRUE(exists());
    EXPECT_EQ(d.quit(kWaitMs, "exit"), 0);
    EXPECT_FALSE(exists());

    MemberProcess killed(memberPath(), appid);
    ASSERT_NE(killed.readLine(kWaitMs), "");
    killed.kill();
    EXPECT_TRUE(exists());
    MemberProcess next(memberPath(), appid);
    std::string joined = next.readLine(kWaitMs);
    // The killed member's registry is still in the block: the next one takes over from it.
    EXPECT_EQ(lineValue(joined, "first"), lineValue(joined, "self")) << joined;
    EXPECT_EQ(next.quit(kWaitMs), 0);
    EXPECT_FALSE(exists());
}

}  // namespace
