#include "launcher/single_instance.h"

#include <gtest/gtest.h>

namespace {

TEST(SingleInstanceName, FromTheApplicationId) {
    EXPECT_STREQ(singleInstanceMutexName("C:\\Apps\\Tool", "D:\\x.exe").c_str(),
                 "C..Apps.Tool.wyn.mutex");
    EXPECT_STREQ(singleInstanceMutexName("com.example.tool", "").c_str(),
                 "com.example.tool.wyn.mutex");
}

TEST(SingleInstanceName, FromTheExecutablePathWhenTheIdIsEmpty) {
    EXPECT_STREQ(singleInstanceMutexName("", "C:\\Program Files\\Tool\\tool.exe").c_str(),
                 "C..Program Files.Tool.tool.exe.wyn.mutex");
}

TEST(SingleInstanceName, SlashesAreLeftToThePlatform) {
    EXPECT_STREQ(singleInstanceMutexName("", "/opt/tool/run").c_str(), "/opt/tool/run.wyn.mutex");
}

}  // namespace
