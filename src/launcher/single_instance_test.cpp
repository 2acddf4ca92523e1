#include "launcher/single_instance.h"

#include <gtest/gtest.h>

namespace {

TEST(SingleInstanceName, FromTheApplicationId) {
    EXPECT_STREQ(singleInstanceMutexName("C:\\Apps\\Tool", "1234-abcd").c_str(),
                 "C..Apps.Tool.wyn.mutex");
    EXPECT_STREQ(singleInstanceMutexName("com.example.tool", "").c_str(),
                 "com.example.tool.wyn.mutex");
}

TEST(SingleInstanceName, FromTheProgramFileWhenTheIdIsEmpty) {
    EXPECT_STREQ(singleInstanceMutexName("", "803-1f2e3d").c_str(),
                 "wyn-image-803-1f2e3d.wyn.mutex");
    EXPECT_STRNE(singleInstanceMutexName("", "803-1f2e3d").c_str(),
                 singleInstanceMutexName("", "803-1f2e3e").c_str());
}

}  // namespace
