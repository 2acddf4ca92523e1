// The registry under many processes at once, on Linux: a full list, joins raced against
// kills, and a process id that the system gave to an unrelated process.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
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
        std::string name = "/" + std::string(instanceMappingName(appid.c_str()).c_str());
        int fd = shm_open(name.c_str(), O_RDWR, 0);
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
    std::string name = "/" + std::string(instanceMappingName(appid.c_str()).c_str());
    int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(fchown(fd, 65534, 65534), 0);
    close(fd);
    MemberProcess member(memberPath(), appid);
    EXPECT_EQ(lineValue(member.readLine(kWaitMs), "shared"), "0");
    EXPECT_EQ(lineValue(listOf(member), "instances"), std::to_string(member.pid()));
    removeNamedBlock(appid);
}

}  // namespace
