// The standard output of a C library that a runtime brings along is recognised by its
// streams as that library hands them out.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/c_streams.h"

TEST(CStreams, AnotherCLibrarysStandardOutputIsRecognised) {
    HMODULE universal = LoadLibraryA("ucrtbase.dll");
    ASSERT_NE(universal, nullptr);
    auto universalStreams = reinterpret_cast<std::FILE*(__cdecl*)(unsigned)>(
        reinterpret_cast<void*>(GetProcAddress(universal, "__acrt_iob_func")));
    ASSERT_NE(universalStreams, nullptr);
    EXPECT_TRUE(platform::isStandardOutputStream(universalStreams(1)));
    EXPECT_FALSE(platform::isStandardOutputStream(universalStreams(2)));

    HMODULE classic = LoadLibraryA("msvcr100.dll");
    ASSERT_NE(classic, nullptr);
    auto classicStreams = reinterpret_cast<std::FILE*(__cdecl*)()>(
        reinterpret_cast<void*>(GetProcAddress(classic, "__iob_func")));
    ASSERT_NE(classicStreams, nullptr);
    EXPECT_TRUE(platform::isStandardOutputStream(classicStreams() + 1));
    EXPECT_FALSE(platform::isStandardOutputStream(classicStreams() + 2));
}
