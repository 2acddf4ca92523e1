// Directory and program identities on Linux: device and inode of what a path reaches.
#include <sys/stat.h>

#include "platform/files.h"

namespace platform {

bool directoryIdentity(const char* path, TextString& id) {
    struct stat st;
    if (path == nullptr || stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    id.format("%llu:%llu", static_cast<unsigned long long>(st.st_dev),
              static_cast<unsigned long long>(st.st_ino));
    return true;
}

bool programIdentity(TextString& id) {
    struct stat st;
    if (stat("/proc/self/exe", &st) != 0) {
        return false;
    }
    id.format("%llx-%llx", static_cast<unsigned long long>(st.st_dev),
              static_cast<unsigned long long>(st.st_ino));
    return true;
}

}  // namespace platform
