// The launcher's own standard output is told from its other streams.
#include "platform/c_streams.h"

#include <gtest/gtest.h>

TEST(CStreams, OnlyStandardOutputIsStandardOutput) {
    EXPECT_TRUE(platform::isStandardOutputStream(stdout));
    EXPECT_FALSE(platform::isStandardOutputStream(stderr));
    EXPECT_FALSE(platform::isStandardOutputStream(nullptr));
}
