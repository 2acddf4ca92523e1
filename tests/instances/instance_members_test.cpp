// The instance registry between real processes: members (instance_member) join through the
// launcher's own code and report what they see.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "instances/member_process.h"
#include "instances/member_test_support.h"

namespace {

TEST(InstanceMembers, SecondMemberSeesFirstThenItself) {
    std::string appid = uniqueAppid("pair");
    MemberProcess first(memberPath(), appid);
    ASSERT_EQ(lineValue(first.readLine(kWaitMs), "shared"), "1");
    MemberProcess second(memberPath(), appid);
    std::string joined = second.readLine(kWaitMs);
    EXPECT_EQ(lineValue(joined, "first"), std::to_string(first.pid())) << joined;

    std::string expected = std::to_string(first.pid()) + "," + std::to_string(second.pid());
    EXPECT_EQ(lineValue(listOf(first), "instances"), expected);
    EXPECT_EQ(lineValue(listOf(second), "instances"), expected);
    EXPECT_EQ(first.quit(kWaitMs), 0);
    EXPECT_EQ(second.quit(kWaitMs), 0);
    removeNamedBlock(appid);
}

TEST(InstanceMembers, OtherApplicationIdsDoNotMeet) {
    std::string one = uniqueAppid("one"), other = uniqueAppid("other");
    MemberProcess a(memberPath(), one);
    MemberProcess b(memberPath(), other);
    ASSERT_NE(a.readLine(kWaitMs), "");
    ASSERT_NE(b.readLine(kWaitMs), "");
    EXPECT_EQ(lineValue(listOf(a), "instances"), std::to_string(a.pid()));
    EXPECT_EQ(lineValue(listOf(b), "instances"), std::to_string(b.pid()));
    removeNamedBlock(one);
    removeNamedBlock(other);
}

// Application ids far longer than a kernel object's or a file's name may be: their objects'
// names are shortened alike in every process, and ids that differ only at the end stay apart.
TEST(InstanceMembers, VeryLongApplicationIdsStillMeet) {
    std::string appid = uniqueAppid("long") + std::string(300, 'x');
    std::string sibling = appid + "y";
    MemberProcess first(memberPath(), appid);
    ASSERT_EQ(lineValue(first.readLine(kWaitMs), "shared"), "1");
    MemberProcess second(memberPath(), appid);
    std::string joined = second.readLine(kWaitMs);
    EXPECT_EQ(lineValue(joined, "shared"), "1");
    EXPECT_EQ(lineValue(joined, "first"), std::to_string(first.pid())) << joined;
    MemberProcess apart(memberPath(), sibling);
    std::string alone = apart.readLine(kWaitMs);
    EXPECT_EQ(lineValue(alone, "shared"), "1");
    EXPECT_EQ(lineValue(alone, "first"), std::to_string(apart.pid())) << alone;
    EXPECT_EQ(second.quit(kWaitMs), 0);
    EXPECT_EQ(first.quit(kWaitMs), 0);
    EXPECT_EQ(apart.quit(kWaitMs), 0);
}

TEST(InstanceMembers, NextMemberTakesOverFromEndedFirst) {
    std::string appid = uniqueAppid("takeover");
    auto first = std::make_unique<MemberProcess>(memberPath(), appid);
    ASSERT_NE(first->readLine(kWaitMs), "");
    MemberProcess second(memberPath(), appid);
    MemberProcess third(memberPath(), appid);
    ASSERT_NE(second.readLine(kWaitMs), "");
    ASSERT_NE(third.readLine(kWaitMs), "");
    first->kill();

    // Whoever asks first finds the role empty of a live process and takes it; the other
    // then sees that process as first.
    std::string fromSecond = listOf(second);
    std::string fromThird = listOf(third);
    std::string expected = std::to_string(second.pid()) + "," + std::to_string(third.pid());
    EXPECT_EQ(lineValue(fromSecond, "instances"), expected) << fromSecond;
    EXPECT_EQ(lineValue(fromThird, "instances"), expected) << fromThird;
    EXPECT_EQ(lineValue(fromThird, "first"), std::to_string(second.pid()));
    removeNamedBlock(appid);
}

// Without an application id the block belongs to the executable file: processes of one
// file meet, a copy of it at another path is apart.
TEST(InstanceMembers, ExecutableBlockIsSharedByTheSameFileOnly) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / uniqueAppid("copy");
    // Removed however the test ends, after the members (declared later, ended first): a
    // directory left behind would be in the way of a later run that gets the same pid.
    struct RemovedAtEnd {
        fs::path path;
        ~RemovedAtEnd() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    } removed{dir};
    fs::create_directories(dir);
    fs::path copy = dir / fs::path(memberPath()).filename();
    fs::copy_file(memberPath(), copy, fs::copy_options::overwrite_existing);

    MemberProcess a(memberPath(), "");
    MemberProcess b(memberPath(), "");
    MemberProcess c(copy.string(), "");
    ASSERT_EQ(lineValue(a.readLine(kWaitMs), "shared"), "1");
    ASSERT_NE(b.readLine(kWaitMs), "");
    ASSERT_EQ(lineValue(c.readLine(kWaitMs), "shared"), "1");

    // Whole entries: Wine's small pids are often the start of another's digits.
    std::string fromB = lineValue(listOf(b), "instances");
    std::set<std::string> listed;
    std::stringstream entries(fromB);
    for (std::string entry; std::getline(entries, entry, ',');) {
        listed.insert(entry);
    }
    EXPECT_EQ(listed.count(std::to_string(a.pid())), 1u) << fromB;
    EXPECT_EQ(listed.count(std::to_string(b.pid())), 1u) << fromB;
    EXPECT_EQ(listed.count(std::to_string(c.pid())), 0u) << fromB;
    EXPECT_EQ(lineValue(listOf(c), "instances"), std::to_string(c.pid()));

    EXPECT_EQ(c.quit(kWaitMs), 0);
    removeImageBlock(copy.string());
}

}  // namespace
