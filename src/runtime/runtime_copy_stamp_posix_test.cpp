// The stamp of an unpacked runtime copy on Linux: bytes changed in place, without changing
// the size, are caught through the modification time; the same bytes with the old time set
// again are not (the stated limit of the cheap check).
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "runtime/runtime_copy_stamp.h"
#include "support/scratch_tree.h"

namespace {

void overwriteInPlace(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "r+");
    ASSERT_NE(file, nullptr);
    std::fputs("CHANGED", file);
    std::fclose(file);
}

TEST(RuntimeCopyStampPosix, BytesChangedInPlaceAreCaughtByTheirTime) {
    ScratchTree tree;
    std::string library = tree.file("copy/lib/libjvm.so", std::string(4096, 'j'));
    StringList paths;
    paths.addString("lib/libjvm.so");
    TextString stamp;
    ASSERT_TRUE(makeRuntimeCopyStamp(tree.path("copy").c_str(), paths, stamp));
    struct stat before;
    ASSERT_EQ(stat(library.c_str(), &before), 0);

    overwriteInPlace(library);
    // The time set 1 s later for file systems whose clock is coarse.
    timespec later[2] = {before.st_atim, before.st_mtim};
    later[1].tv_sec += 1;
    ASSERT_EQ(utimensat(AT_FDCWD, library.c_str(), later, 0), 0);
    TextString why;
    EXPECT_FALSE(runtimeCopyMatchesStamp(tree.path("copy").c_str(), paths, stamp, why));

    timespec old[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, library.c_str(), old, 0), 0);
    EXPECT_TRUE(runtimeCopyMatchesStamp(tree.path("copy").c_str(), paths, stamp, why))
        << "the same size and time: the cheap check cannot see the change";
}

}  // namespace
