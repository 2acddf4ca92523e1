// The registry's Windows objects between processes: the named mapping's name, and the
// handles of the first instance's mailbox objects duplicated into the others.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "instances/instance_block.h"
#include "instances/member_test_support.h"
#include "instances/shared_instance_block.h"

namespace {

// An application id with backslashes names a mapping with dots in their place.
TEST(InstanceMembersWin, MappingIsNamedWithDotsForBackslashes) {
    std::string appid = "wyn\\test\\" + uniqueAppid("dots");
    MemberProcess member(memberPath(), appid);
    ASSERT_EQ(lineValue(member.readLine(kWaitMs), "shared"), "1");
    std::string dotted = instanceMappingName(appid.c_str()).c_str();
    ASSERT_EQ(dotted.find('\\'), std::string::npos);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, dotted.c_str());
    ASSERT_NE(mapping, nullptr) << dotted;
    auto* block = static_cast<const SharedInstanceBlock*>(
        MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(SharedInstanceBlock)));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->firstInstancePid, member.pid());
    // The first instance published its mailbox mutex and event.
    EXPECT_NE(block->mutexHandle, 0);
    EXPECT_NE(block->eventHandle, 0);
    UnmapViewOfFile(block);
    CloseHandle(mapping);
}

// The handle values in the block are the first instance's: duplicated out of its process
// they are a mutex and an event.
TEST(InstanceMembersWin, PublishedHandlesAreTheFirstInstancesObjects) {
    std::string appid = uniqueAppid("handles");
    MemberProcess member(memberPath(), appid);
    ASSERT_NE(member.readLine(kWaitMs), "");
    std::string name = instanceMappingName(appid.c_str()).c_str();
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    ASSERT_NE(mapping, nullptr);
    auto* block = static_cast<const SharedInstanceBlock*>(
        MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(SharedInstanceBlock)));
    ASSERT_NE(block, nullptr);
    HANDLE first = OpenProcess(PROCESS_DUP_HANDLE, FALSE, static_cast<DWORD>(member.pid()));
    ASSERT_NE(first, nullptr);
    HANDLE event = nullptr, mutex = nullptr;
    ASSERT_TRUE(DuplicateHandle(first,
                                reinterpret_cast<HANDLE>(static_cast<intptr_t>(block->eventHandle)),
                                GetCurrentProcess(), &event, 0, FALSE, DUPLICATE_SAME_ACCESS));
    ASSERT_TRUE(DuplicateHandle(first,
                                reinterpret_cast<HANDLE>(static_cast<intptr_t>(block->mutexHandle)),
                                GetCurrentProcess(), &mutex, 0, FALSE, DUPLICATE_SAME_ACCESS));
    // A manual-reset event set here stays set; the mutex can be taken and given back.
    EXPECT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ResetEvent(event);
    EXPECT_EQ(WaitForSingleObject(mutex, 1000), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(event);
    CloseHandle(mutex);
    CloseHandle(first);
    UnmapViewOfFile(block);
    CloseHandle(mapping);
}

}  // namespace
