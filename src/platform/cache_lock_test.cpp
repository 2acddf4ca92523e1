// The lock file beside a cached copy: its two locks are independent of each other, an
// exclusive one keeps out every other holder and a shared one only the exclusive ones, across
// two openings of the file (as two processes have), and marking a use moves the file's time.
#include "platform/cache_lock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/user_cache.h"
#include "support/scratch_tree.h"

namespace {

using platform::CacheLock;
using platform::CacheLockKind;

TEST(CacheLock, ExclusiveAndSharedAsTwoProcessesSeeThem) {
    ScratchTree tree;
    std::string path = tree.path("key.lock");
    CacheLock first, second;
    ASSERT_TRUE(first.open(path.c_str()));
    ASSERT_TRUE(second.open(path.c_str()));

    ASSERT_TRUE(first.tryLock(CacheLockKind::Unpacking, true));
    EXPECT_FALSE(second.tryLock(CacheLockKind::Unpacking, true));
    EXPECT_FALSE(second.tryLock(CacheLockKind::Unpacking, false));
    EXPECT_TRUE(second.tryLock(CacheLockKind::InUse, false)) << "the other lock is independent";
    EXPECT_FALSE(second.lock(CacheLockKind::Unpacking, true, 60)) << "waited, then gave up";
    first.unlock(CacheLockKind::Unpacking);
    EXPECT_TRUE(second.lock(CacheLockKind::Unpacking, true, 60));
    second.unlock(CacheLockKind::Unpacking);

    EXPECT_TRUE(first.tryLock(CacheLockKind::InUse, false)) << "shared with shared";
    CacheLock cleaner;
    ASSERT_TRUE(cleaner.open(path.c_str()));
    EXPECT_FALSE(cleaner.tryLock(CacheLockKind::InUse, true)) << "a copy in use is kept";
    first.unlock(CacheLockKind::InUse);
    second.unlock(CacheLockKind::InUse);
    EXPECT_TRUE(cleaner.tryLock(CacheLockKind::InUse, true));
}

TEST(CacheLock, ClosingReleasesTheLocks) {
    ScratchTree tree;
    std::string path = tree.path("key.lock");
    {
        CacheLock holder;
        ASSERT_TRUE(holder.open(path.c_str()));
        ASSERT_TRUE(holder.tryLock(CacheLockKind::InUse, true));
    }
    CacheLock next;
    ASSERT_TRUE(next.open(path.c_str()));
    EXPECT_TRUE(next.tryLock(CacheLockKind::InUse, true));
}

TEST(CacheLock, MarkingAUseMovesTheTimeToNow) {
    ScratchTree tree;
    std::string path = tree.path("key.lock");
    CacheLock lock;
    ASSERT_TRUE(lock.open(path.c_str()));
    int64_t before = platform::currentFileTime();
    ASSERT_TRUE(lock.markUsed());
    platform::FileStamp stamp;
    ASSERT_TRUE(platform::fileStamp(path.c_str(), stamp));
    // Within a few seconds of the clock (file systems keep coarser times).
    EXPECT_LE(std::llabs(stamp.modified - before), 3 * platform::kFileTimeUnitsPerSecond);
    EXPECT_FALSE(CacheLock().open(tree.path("no/such/dir/key.lock").c_str()));
}

}  // namespace
