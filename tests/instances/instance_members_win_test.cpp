// The registry's Windows objects between processes: this user's named objects in the
// session's namespace (the SID and the protocol version in every name, a descriptor that
// grants only the user), and no handle of one instance that others must duplicate.
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "instances/instance_block.h"
#include "instances/member_test_support.h"
#include "instances/shared_instance_block.h"
#include "platform/object_names.h"

namespace {

// The SID of this process's user, read here as the test's own account of it.
std::string userSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return "";
    }
    char buffer[256];
    DWORD size = 0;
    std::string text;
    char* sid = nullptr;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid)) {
        text = sid;
        LocalFree(sid);
    }
    CloseHandle(token);
    return text;
}

// The full kernel name of this user's object for an application id plus an ending.
std::string objectName(const std::string& appid, const std::string& ending) {
    std::string key = instanceBlockKey(appid.c_str()).c_str();
    return "Local\\wyn" + std::to_string(platform::kSharedObjectProtocol) + "-" + userSid() + "-" +
           key + ending;
}

TEST(InstanceMembersWin, BlockIsTheUsersObjectWithTheSidInItsName) {
    ASSERT_FALSE(userSid().empty());
    std::string appid = "wyn\\test\\" + uniqueAppid("dots");
    MemberProcess member(memberPath(), appid);
    ASSERT_EQ(lineValue(member.readLine(kWaitMs), "shared"), "1");
    std::string name = objectName(appid, "");
    ASSERT_EQ(name.find('\\', 6), std::string::npos) << name;
    // Without the SID and the version, as earlier builds named it, there is no such block.
    std::string dotted = instanceBlockKey(appid.c_str()).c_str();
    for (const std::string& old : {dotted, "Local\\" + dotted, "Global\\" + dotted}) {
        EXPECT_EQ(OpenFileMappingA(FILE_MAP_READ, FALSE, old.c_str()), nullptr) << old;
    }
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ | READ_CONTROL, FALSE, name.c_str());
    ASSERT_NE(mapping, nullptr) << name;
    auto* block = static_cast<const SharedInstanceBlock*>(
        MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(SharedInstanceBlock)));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->firstInstancePid, member.pid());
    // No handle values to duplicate: the mailbox objects are named.
    EXPECT_EQ(block->mutexHandle, 0);
    EXPECT_EQ(block->eventHandle, 0);
    UnmapViewOfFile(block);

    // The descriptor grants the user, and nobody else.
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetSecurityInfo(mapping, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr);
    ASSERT_EQ(dacl->AceCount, 1);
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, 0, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    char* aceSid = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidA(reinterpret_cast<PSID>(&ace->SidStart), &aceSid));
    EXPECT_EQ(std::string(aceSid), userSid());
    LocalFree(aceSid);
    LocalFree(descriptor);
    CloseHandle(mapping);
}

// The block's lock, the mailbox mutex and each instance's wake-up event are this user's named
// objects that any instance opens by name.
TEST(InstanceMembersWin, LockAndMailboxObjectsAreNamedPerUser) {
    std::string appid = uniqueAppid("objects");
    MemberProcess member(memberPath(), appid);
    ASSERT_NE(member.readLine(kWaitMs), "");
    HANDLE lock = OpenMutexA(SYNCHRONIZE, FALSE, objectName(appid, ".lock").c_str());
    HANDLE mailbox = OpenMutexA(SYNCHRONIZE, FALSE, objectName(appid, ".mailbox").c_str());
    HANDLE signal =
        OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE,
                   objectName(appid, ".signal." + std::to_string(member.pid())).c_str());
    ASSERT_NE(lock, nullptr);
    ASSERT_NE(mailbox, nullptr);
    ASSERT_NE(signal, nullptr) << GetLastError() << " "
                               << objectName(appid, ".signal." + std::to_string(member.pid()));
    // An auto-reset event set here stays set until one wait takes it (the member runs no
    // watcher that would); the mutexes can be taken and given back.
    EXPECT_TRUE(SetEvent(signal));
    EXPECT_EQ(WaitForSingleObject(signal, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(signal, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(mailbox, 1000), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mailbox));
    EXPECT_EQ(WaitForSingleObject(lock, 1000), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(lock));
    CloseHandle(lock);
    CloseHandle(mailbox);
    CloseHandle(signal);
    EXPECT_EQ(member.quit(kWaitMs), 0);
}

}  // namespace
