// Waiting for a cache lock, the same on every platform: tries at short intervals.
#include "platform/cache_lock.h"

#include "platform/sync.h"

namespace platform {

bool CacheLock::lock(CacheLockKind kind, bool exclusive, unsigned ms) {
    for (unsigned waited = 0;; waited += 20) {
        if (tryLock(kind, exclusive)) {
            return true;
        }
        if (waited >= ms) {
            return false;
        }
        sleepMilliseconds(20);
    }
}

}  // namespace platform
