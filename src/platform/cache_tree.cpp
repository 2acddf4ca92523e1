// The words for why writing into the cache failed, the same on every platform.
#include "platform/cache_tree.h"

namespace platform {

const char* describeCacheFailure(CacheFailure failure) {
    switch (failure) {
        case CacheFailure::None:
            return "no failure";
        case CacheFailure::NoSpace:
            return "the disk is full";
        case CacheFailure::NotPermitted:
            return "the folder may not be written";
        case CacheFailure::Other:
            return "writing failed";
    }
    return "writing failed";
}

}  // namespace platform
