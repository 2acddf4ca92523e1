// Whether a process counts as alive: what each look at it means, and the looks at this
// process and at one that has ended.
#include "platform/process_identity.h"

#include <gtest/gtest.h>

namespace {

TEST(ProcessLiveness, AccessDeniedMeansAliveOnlyMissingOrEndedMeanGone) {
    const struct {
        platform::ProcessLook look;
        bool alive;
    } cases[] = {
        {platform::ProcessLook::Running, true},
        {platform::ProcessLook::AccessDenied, true},
        {platform::ProcessLook::Ended, false},
        {platform::ProcessLook::Missing, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::lookCountsAsAlive(c.look), c.alive) << static_cast<int>(c.look);
    }
}

TEST(ProcessLiveness, ThisProcessIsAliveAndImpossibleIdsAreNot) {
    EXPECT_TRUE(platform::isProcessAlive(platform::currentProcessId()));
    EXPECT_FALSE(platform::isProcessAlive(0));
    EXPECT_FALSE(platform::isProcessAlive(-1));
    EXPECT_FALSE(platform::isProcessAlive(0x7ffffff0));
}

}  // namespace
