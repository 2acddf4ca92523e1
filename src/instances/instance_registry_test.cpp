// The registry over a block in this process's memory: joining, the first-instance role,
// pruning of what a faulty or hostile process may have written, and the mapping name.
#include "instances/instance_registry.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "instances/instance_block.h"
#include "instances/instance_receiver.h"
#include "platform/files.h"
#include "platform/process_identity.h"

namespace {

// A zero-filled block as a fresh mapping starts.
std::unique_ptr<SharedInstanceBlock> freshBlock() {
    return std::unique_ptr<SharedInstanceBlock>(new SharedInstanceBlock());
}

// A process id that no process has: ids are far below this on both systems.
constexpr int32_t kEndedPid = 0x7ffffff0;

TEST(InstanceRegistry, FirstProcessBecomesFirstAndListsItselfUntilPruned) {
    auto block = freshBlock();
    InstanceRegistry registry(block.get(), nullptr);
    int32_t self = platform::currentProcessId();
    EXPECT_EQ(block->firstInstancePid, self);
    EXPECT_EQ(block->firstInstanceStamp, platform::processStartStamp(self));
    // Joining appends the first instance too; the next pruning drops it again.
    EXPECT_EQ(block->instanceCount, 1);
    EXPECT_EQ(block->instancePids[0], self);
    EXPECT_EQ(registry.instances(), std::vector<int32_t>{self});
    EXPECT_EQ(block->instanceCount, 0);
}

TEST(InstanceRegistry, EndedFirstInstanceIsTakenOver) {
    auto block = freshBlock();
    block->firstInstancePid = kEndedPid;
    block->mutexHandle = 1234;
    InstanceRegistry registry(block.get(), nullptr);
    EXPECT_EQ(block->firstInstancePid, platform::currentProcessId());
    EXPECT_NE(block->mutexHandle, 1234);
}

// The role recorded under this process's id but with another start stamp belonged to an
// earlier process that had the id; this one takes it over and records its own stamp.
TEST(InstanceRegistry, FirstRoleUnderAReusedIdIsTakenOver) {
    auto block = freshBlock();
    int32_t self = platform::currentProcessId();
    uint32_t stamp = platform::processStartStamp(self);
    block->firstInstancePid = self;
    block->firstInstanceStamp = stamp + 1;
    block->eventHandle = 4321;
    InstanceRegistry registry(block.get(), nullptr);
    EXPECT_EQ(block->firstInstanceStamp, stamp);
    EXPECT_NE(block->eventHandle, 4321);
}

TEST(InstanceRegistry, AliveMeansRunningWithTheRecordedStamp) {
    int32_t self = platform::currentProcessId();
    uint32_t stamp = platform::processStartStamp(self);
    ASSERT_NE(stamp, 0u);
    EXPECT_TRUE(InstanceRegistry::isProcessAlive(self));
    EXPECT_TRUE(InstanceRegistry::isProcessAlive(self, stamp));
    EXPECT_FALSE(InstanceRegistry::isProcessAlive(self, stamp + 1));
    EXPECT_FALSE(InstanceRegistry::isProcessAlive(0));
    EXPECT_FALSE(InstanceRegistry::isProcessAlive(-1));
    EXPECT_FALSE(InstanceRegistry::isProcessAlive(kEndedPid));
}

// Whatever count another process left, pruning reads only the 250 places and keeps only
// live entries; an impossible count names no entries at all.
TEST(InstanceRegistry, PruningTrustsNoCountOrEntry) {
    int32_t self = platform::currentProcessId();
    uint32_t stamp = platform::processStartStamp(self);
    for (int32_t count : {-1, INT_MIN, 251, INT_MAX, 250, 3}) {
        auto block = freshBlock();
        block->firstInstancePid = kEndedPid;
        block->instanceCount = count;
        for (int32_t i = 0; i < kMaxListedInstances; ++i) {
            block->instancePids[i] = i % 2 == 0 ? kEndedPid - i : -i;
        }
        InstanceRegistry registry(block.get(), nullptr);
        EXPECT_EQ(block->instanceCount, 1) << "count " << count;
        EXPECT_EQ(block->instancePids[0], self);
        EXPECT_EQ(block->instanceStamps[0], stamp);
        EXPECT_EQ(registry.instances(), std::vector<int32_t>{self}) << "count " << count;
    }
}

// A listed entry with this process's id but another stamp was an earlier process.
TEST(InstanceRegistry, EntryUnderAReusedIdIsDropped) {
    int32_t self = platform::currentProcessId();
    uint32_t stamp = platform::processStartStamp(self);
    auto block = freshBlock();
    InstanceRegistry registry(block.get(), nullptr);
    // Make the first instance someone else's (an ended one) so that this process's own
    // entries are not dropped for being the first; then list the id twice.
    block->firstInstancePid = kEndedPid;
    block->instanceCount = 2;
    block->instancePids[0] = self;
    block->instanceStamps[0] = stamp + 7;
    block->instancePids[1] = self;
    block->instanceStamps[1] = stamp;
    registry.pruneInstances();
    EXPECT_EQ(block->instanceCount, 1);
    EXPECT_EQ(block->instanceStamps[0], stamp);
}

TEST(InstanceRegistry, WithoutBlockTheProcessIsAlone) {
    InstanceRegistry registry(nullptr, nullptr);
    EXPECT_FALSE(registry.isShared());
    EXPECT_EQ(registry.instances(), std::vector<int32_t>{platform::currentProcessId()});
    EXPECT_EQ(registry.firstInstancePid(), platform::currentProcessId());
}

TEST(InstanceRegistry, CustomModeIsSwitchedOnOnce) {
    InstanceReceiver receiver;
    InstanceRegistry registry(nullptr, nullptr);
    EXPECT_EQ(receiver.customModeActive.load(), 0);
    registry.startCustomMode(receiver);
    registry.startCustomMode(receiver);
    EXPECT_EQ(receiver.customModeActive.load(), 1);
}

TEST(InstanceRegistry, BlockKeyHasDotsForBackslashes) {
    const struct {
        const char* appid;
        const char* name;
    } cases[] = {
        {"C:\\Apps\\Tool", "C:.Apps.Tool.wyn.mapping"},
        {"com.example.editor", "com.example.editor.wyn.mapping"},
        {"\\\\", "...wyn.mapping"},
        {"a/b", "a/b.wyn.mapping"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(instanceBlockKey(c.appid).c_str(), c.name) << c.appid;
    }
}

// Without an application id the key names the program file itself: the same in every
// process of that file, whatever path started it.
TEST(InstanceRegistry, BlockKeyWithoutAnIdIsTheProgramFile) {
    TextString identity;
    ASSERT_TRUE(platform::programIdentity(identity));
    EXPECT_FALSE(identity.empty());
    std::string key = instanceBlockKey("").c_str();
    EXPECT_EQ(key, "wyn-image-" + std::string(identity.c_str()) + ".wyn.mapping");
    EXPECT_EQ(key.find_first_of("/\\: "), std::string::npos) << key;
}

}  // namespace
