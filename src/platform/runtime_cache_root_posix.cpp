// The directory of runtime copies on Linux.
#include <sys/stat.h>

#include "platform/cache_tree.h"
#include "platform/files.h"
#include "platform/runtime_cache_root.h"
#include "platform/user_cache.h"

namespace platform {

namespace {

// Root's, writable by nobody else, or root's and sticky (/tmp): nobody else can replace it.
bool safeDirectory(const struct stat& st) {
    bool othersWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return S_ISDIR(st.st_mode) && st.st_uid == 0 && (!othersWrite || (st.st_mode & S_ISVTX) != 0);
}

}  // namespace

RuntimeCacheRoot prepareRuntimeCacheRoot(bool elevated, TextString& root, TextString& shown) {
    TextString cache = userCacheDirectory();
    if (cache.empty()) {
        return RuntimeCacheRoot::NoPlace;
    }
    shown = TextString::concat(cache, TextView("/wyn/runtimes"));
    root = ansiPathOf(shown.c_str());
    if (root.empty()) {
        return RuntimeCacheRoot::NoAnsiForm;
    }
    if (!createDirectoryPath(root.c_str())) {
        return RuntimeCacheRoot::Failed;
    }
    if (elevated && !writableOnlyByAdministrators(root.c_str())) {
        return RuntimeCacheRoot::Untrusted;
    }
    return RuntimeCacheRoot::Ready;
}

bool writableOnlyByAdministrators(const char* path) {
    char full[4096];
    int32_t length = fullPath(path, full, static_cast<int32_t>(sizeof full));
    if (length <= 0 || length >= static_cast<int32_t>(sizeof full)) {
        return false;
    }
    // The directory itself and each one above it as the path is written, up to "/": a
    // symbolic link on the way lies in one of them, so only their owners could have made it.
    TextString at(full, length);
    for (;;) {
        struct stat st;
        if (stat(at.c_str(), &st) != 0 || !safeDirectory(st)) {
            return false;
        }
        int32_t cut = at.length() - 1;
        while (cut > 0 && at[cut] != '/') {
            --cut;
        }
        if (at.length() <= 1) {
            return true;
        }
        at.resize(cut > 0 ? cut : 1);
    }
}

}  // namespace platform
