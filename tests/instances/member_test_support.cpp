// Helpers of the registry suites.
#include "instances/member_test_support.h"

#include <cstdlib>

#include "platform/process_identity.h"

std::string memberPath() {
    const char* path = std::getenv("WYN_TEST_MEMBER");
    return path != nullptr ? path : "";
}

std::string uniqueAppid(const std::string& what) {
    static int counter = 0;
    return "wyn-test-" + std::to_string(platform::currentProcessId()) + "-" + what + "-" +
           std::to_string(++counter);
}

std::string listOf(MemberProcess& member) {
    member.send("list");
    return member.readLine(kWaitMs);
}
