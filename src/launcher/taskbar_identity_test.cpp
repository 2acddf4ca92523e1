#include "launcher/taskbar_identity.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TaskbarIdentity, TheSystemsRulesForAnId) {
    struct Case {
        std::string id;
        bool accepted;
    };
    const Case cases[] = {
        {"Example.MyApp", true},
        {"Example.MyApp.Editor.2", true},
        {"\xCE\xA9mega.App", true},
        {std::string(128, 'a'), true},
        {std::string(126, 'a') + "\xCE\xA9\xCE\xA9", true},  // 128 characters, 130 bytes
        {std::string(129, 'a'), false},
        {"", false},
        {"Example.My App", false},
        {"Example.\tApp", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(taskbarIdentityProblem(TextView(c.id.c_str())) == nullptr, c.accepted) << c.id;
    }
}

}  // namespace
