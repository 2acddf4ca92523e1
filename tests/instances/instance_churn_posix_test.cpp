// The registry under churn, on Linux: 300 short-lived members join and die (killed while
// joining, killed after joining, or leaving normally or as on System.exit) beside one long-lived
// member, in waves that overlap. Afterwards the list is consistent: the long-lived member is still
// the first instance, the dead are gone (the list never fills up with them), a newcomer is listed,
// and when the first instance dies the newcomer takes its role over.
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "instances/member_test_support.h"

namespace {

std::set<int> listedPids(const std::string& line) {
    std::set<int> pids;
    std::stringstream in(lineValue(line, "instances"));
    std::string item;
    while (std::getline(in, item, ',')) {
        pids.insert(std::stoi(item));
    }
    return pids;
}

TEST(InstanceChurn, ThreeHundredShortLivedMembersLeaveAConsistentList) {
    constexpr int kMembers = 300;
    constexpr int kWave = 20;
    std::string appid = uniqueAppid("churn");
    MemberProcess anchor(memberPath(), appid);
    ASSERT_TRUE(anchor.started());
    ASSERT_NE(anchor.readLine(kWaitMs), "");

    int joined = 0;
    for (int wave = 0; wave < kMembers / kWave; ++wave) {
        std::vector<std::unique_ptr<MemberProcess>> members;
        for (int i = 0; i < kWave; ++i) {
            members.push_back(std::make_unique<MemberProcess>(memberPath(), appid));
            ASSERT_TRUE(members.back()->started());
        }
        for (int i = 0; i < kWave; ++i) {
            MemberProcess& member = *members[i];
            switch (i % 3) {
                case 0:  // dies at any moment of its start, perhaps holding the lock
                    usleep(static_cast<useconds_t>((wave * 7 + i) % 5) * 300);
                    member.kill();
                    break;
                case 1:  // dies after joining, without leaving
                    ASSERT_NE(member.readLine(kWaitMs), "") << "wave " << wave << " member " << i;
                    ++joined;
                    member.kill();
                    break;
                default:  // leaves as the launcher does at its end, or on System.exit
                    ASSERT_NE(member.readLine(kWaitMs), "") << "wave " << wave << " member " << i;
                    ++joined;
                    EXPECT_EQ(member.quit(kWaitMs, (wave + i) % 2 == 0 ? "quit" : "exit"), 0);
            }
        }
        // Between waves the registry answers and never lists a member that has gone.
        std::set<int> listed = listedPids(listOf(anchor));
        EXPECT_EQ(listed, std::set<int>{anchor.pid()}) << "after wave " << wave;
    }
    EXPECT_GE(joined, kMembers / 2);

    MemberProcess newcomer(memberPath(), appid);
    ASSERT_NE(newcomer.readLine(kWaitMs), "");
    std::string fromAnchor = listOf(anchor), fromNewcomer = listOf(newcomer);
    EXPECT_EQ(lineValue(fromAnchor, "first"), std::to_string(anchor.pid()));
    EXPECT_EQ(listedPids(fromAnchor), (std::set<int>{anchor.pid(), newcomer.pid()}));
    EXPECT_EQ(listedPids(fromNewcomer), listedPids(fromAnchor));

    anchor.kill();
    std::string alone = listOf(newcomer);
    EXPECT_EQ(lineValue(alone, "first"), std::to_string(newcomer.pid()));
    EXPECT_EQ(listedPids(alone), std::set<int>{newcomer.pid()});
    EXPECT_EQ(newcomer.quit(kWaitMs), 0);
    removeNamedBlock(appid);
}

}  // namespace
