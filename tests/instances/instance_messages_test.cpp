// Messages between real processes: members in custom mode send pattern bodies to each other
// through the shared mailbox and report what arrived.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "instances/member_process.h"
#include "instances/member_test_support.h"
#include "platform/process_identity.h"

namespace {

// A member in custom mode, joined.
std::unique_ptr<MemberProcess> startCustom(const std::string& appid) {
    auto member = std::make_unique<MemberProcess>(memberPath(), appid);
    EXPECT_NE(member->readLine(kWaitMs), "");
    member->send("custom");
    EXPECT_EQ(member->readLine(kWaitMs), "custom");
    return member;
}

std::string received(int from, size_t size) {
    return "received from=" + std::to_string(from) + " size=" + std::to_string(size) + " intact=1";
}

// Sizes around one chunk (a 1020-byte payload makes a 1024-byte body, 1021 bytes two chunks)
// and several chunks arrive whole and in order.
TEST(InstanceMessages, BodiesOfEverySizeArriveWholeAndInOrder) {
    std::string appid = uniqueAppid("sizes");
    auto first = startCustom(appid);
    auto second = startCustom(appid);
    const size_t sizes[] = {0, 1, 1019, 1020, 1021, 2044, 2045, 70000, 1 << 20};
    for (size_t size : sizes) {
        second->send("send " + std::to_string(first->pid()) + " " + std::to_string(size));
    }
    for (size_t size : sizes) {
        EXPECT_EQ(first->readLine(kWaitMs), received(second->pid(), size));
    }
    removeNamedBlock(appid);
}

TEST(InstanceMessages, TargetZeroReachesTheFirstWhichMaySendToItself) {
    std::string appid = uniqueAppid("zero");
    auto first = startCustom(appid);
    auto second = startCustom(appid);
    second->send("send 0 10");
    EXPECT_EQ(first->readLine(kWaitMs), received(second->pid(), 10));
    first->send("send 0 3000");
    EXPECT_EQ(first->readLine(kWaitMs), received(first->pid(), 3000));
    removeNamedBlock(appid);
}

// A message to a process that does not run is dropped chunk by chunk; the sender's next
// message still arrives.
TEST(InstanceMessages, MessageToAnEndedProcessIsDroppedAndTheNextArrives) {
    std::string appid = uniqueAppid("ended");
    auto first = startCustom(appid);
    auto second = startCustom(appid);
    second->send("send 2147483000 5000");
    second->send("send " + std::to_string(first->pid()) + " 20");
    EXPECT_EQ(first->readLine(kWaitMs), received(second->pid(), 20));
    removeNamedBlock(appid);
}

// Every watcher finds a chunk for an ended process and may drop it; only that chunk may go,
// never the next one that a sender put in meanwhile. Two senders alternate such messages
// with messages to the first, which must all arrive, each sender's in order.
TEST(InstanceMessages, DroppingAChunkForAnEndedProcessNeverDropsTheNext) {
    std::string appid = uniqueAppid("race");
    auto first = startCustom(appid);
    auto second = startCustom(appid);
    auto third = startCustom(appid);
    constexpr int kRounds = 15;
    for (int round = 0; round < kRounds; ++round) {
        for (MemberProcess* sender : {second.get(), third.get()}) {
            sender->send("send 2147483000 2500");
            sender->send("send " + std::to_string(first->pid()) + " " + std::to_string(round));
        }
    }
    int nextFromSecond = 0, nextFromThird = 0;
    for (int i = 0; i < 2 * kRounds; ++i) {
        std::string line = first->readLine(kWaitMs);
        ASSERT_NE(line, "") << "message " << i + 1 << " of " << 2 * kRounds << " arrived";
        bool fromSecond = lineValue(line, "from") == std::to_string(second->pid());
        int& next = fromSecond ? nextFromSecond : nextFromThird;
        EXPECT_EQ(line, received(fromSecond ? second->pid() : third->pid(), next)) << i;
        ++next;
    }
    removeNamedBlock(appid);
}

// A chunk for a listed instance that is alive but takes nothing (no watcher there) waits for
// it; once that instance has ended, the chunk is dropped and the mailbox carries on.
TEST(InstanceMessages, ChunkForALiveInstanceWaitsAndGoesWhenItEnds) {
    std::string appid = uniqueAppid("stuck");
    auto first = startCustom(appid);
    MemberProcess silent(memberPath(), appid);
    ASSERT_NE(silent.readLine(kWaitMs), "");
    auto third = startCustom(appid);
    third->send("send " + std::to_string(silent.pid()) + " 10");
    third->send("send " + std::to_string(first->pid()) + " 30");
    EXPECT_EQ(first->readLine(1500), "");
    silent.kill();
    EXPECT_EQ(first->readLine(kWaitMs), received(third->pid(), 30));
    removeNamedBlock(appid);
}

// Three senders burst at one receiver while an idle instance watches too: every message
// arrives once, whole, in order per sender.
TEST(InstanceMessages, BurstsFromThreeSendersArriveWholeAndInOrder) {
    constexpr size_t kCount = 300;
    std::string appid = uniqueAppid("burst");
    auto idle = startCustom(appid);
    auto receiver = startCustom(appid);
    std::vector<std::unique_ptr<MemberProcess>> senders;
    for (int i = 0; i < 3; ++i) {
        senders.push_back(startCustom(appid));
    }
    for (auto& sender : senders) {
        sender->send("burst " + std::to_string(receiver->pid()) + " " + std::to_string(kCount));
    }
    std::vector<size_t> next(senders.size(), 0);
    for (size_t i = 0; i < kCount * senders.size(); ++i) {
        std::string line = receiver->readLine(kWaitMs);
        ASSERT_NE(line, "") << "message " << i + 1 << " of " << kCount * senders.size();
        size_t s = 0;
        while (s < senders.size() && lineValue(line, "from") != std::to_string(senders[s]->pid())) {
            ++s;
        }
        ASSERT_LT(s, senders.size()) << line;
        EXPECT_EQ(line, received(senders[s]->pid(), next[s])) << i;
        ++next[s];
    }
    EXPECT_EQ(receiver->readLine(300), "");
    removeNamedBlock(appid);
}

// A receiver whose deliveries block loses nothing, and meanwhile the others talk.
TEST(InstanceMessages, BlockingReceiverLosesNothingAndHoldsUpNobody) {
    std::string appid = uniqueAppid("blocking");
    auto slow = startCustom(appid);
    auto other = startCustom(appid);
    auto sender = startCustom(appid);
    slow->send("slow 5000");
    for (size_t size : {1, 2000, 3}) {
        sender->send("send " + std::to_string(slow->pid()) + " " + std::to_string(size));
    }
    EXPECT_EQ(slow->readLine(kWaitMs), received(sender->pid(), 1));
    sender->send("send " + std::to_string(other->pid()) + " 50000");
    sender->send("flush");
    EXPECT_EQ(sender->readLine(3000), "flushed empty=1");
    EXPECT_EQ(other->readLine(3000), received(sender->pid(), 50000));
    EXPECT_EQ(slow->readLine(kWaitMs), received(sender->pid(), 2000));
    EXPECT_EQ(slow->readLine(kWaitMs), received(sender->pid(), 3));
    removeNamedBlock(appid);
}

// A message for a live process that is no instance (the test itself) is discarded at once:
// the queue is empty straight away and the next message arrives.
TEST(InstanceMessages, SendToAProcessThatIsNoInstanceIsDiscardedAtOnce) {
    std::string appid = uniqueAppid("stranger");
    auto first = startCustom(appid);
    auto second = startCustom(appid);
    second->send("send " + std::to_string(platform::currentProcessId()) + " 20000");
    second->send("flush");
    EXPECT_EQ(second->readLine(2000), "flushed empty=1");
    second->send("send " + std::to_string(first->pid()) + " 20");
    EXPECT_EQ(first->readLine(kWaitMs), received(second->pid(), 20));
    removeNamedBlock(appid);
}

TEST(InstanceMessages, AfterTheFirstEndsTargetZeroReachesTheNewFirst) {
    std::string appid = uniqueAppid("handover");
    auto first = startCustom(appid);
    auto second = startCustom(appid);
    auto third = startCustom(appid);
    first->kill();
    // The watchers notice the end of the first instance; one of them takes the role over.
    third->send("list");
    std::string list = third->readLine(kWaitMs);
    std::string newFirst = lineValue(list, "first");
    ASSERT_TRUE(newFirst == std::to_string(second->pid()) ||
                newFirst == std::to_string(third->pid()))
        << list;
    third->send("send 0 100");
    MemberProcess& addressee = newFirst == std::to_string(second->pid()) ? *second : *third;
    EXPECT_EQ(addressee.readLine(kWaitMs), received(third->pid(), 100));
    removeNamedBlock(appid);
}

TEST(InstanceMessages, FlushReturnsOnceTheQueueIsInTheMailbox) {
    std::string appid = uniqueAppid("flush");
    auto first = startCustom(appid);
    auto second = startCustom(appid);
    second->send("flush");
    EXPECT_EQ(second->readLine(kWaitMs), "flushed empty=1");
    second->send("send " + std::to_string(first->pid()) + " 50000");
    second->send("flush");
    EXPECT_EQ(second->readLine(kWaitMs), "flushed empty=1");
    EXPECT_EQ(first->readLine(kWaitMs), received(second->pid(), 50000));
    removeNamedBlock(appid);
}

}  // namespace
