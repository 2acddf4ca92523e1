// This user's object names on Linux: files in a directory private to the user.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/env.h"
#include "platform/object_names.h"

namespace platform {

namespace {

constexpr int32_t kMaxFileName = 200;

bool isPrivateDirectory(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & 022) == 0;
}

// base + "/" + name, created with mode 0700 when missing; empty unless the result is private.
TextString privateDirectoryBelow(const char* base, const char* name) {
    if (base == nullptr || base[0] != '/') {
        return TextString();
    }
    TextString path(base);
    path.append('/');
    path.append(name);
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return TextString();
    }
    return isPrivateDirectory(path.c_str()) ? path : TextString();
}

// The directory of this user's objects, or empty when there is no private one.
TextString userObjectDirectory() {
    const char* runtimeDir = getEnv("XDG_RUNTIME_DIR");
    if (runtimeDir != nullptr && runtimeDir[0] == '/' && isPrivateDirectory(runtimeDir)) {
        return TextString(runtimeDir);
    }
    TextString ownName;
    ownName.format("wyn-%u", static_cast<unsigned>(geteuid()));
    const char* temporary = getEnv("TMPDIR");
    TextString directory = privateDirectoryBelow(
        temporary != nullptr && temporary[0] == '/' ? temporary : "/tmp", ownName.c_str());
    if (directory.empty()) {
        directory = privateDirectoryBelow(getEnv("HOME"), ".wyn");
    }
    return directory;
}

}  // namespace

TextString userObjectName(const char* name) {
    TextString directory = userObjectDirectory();
    if (directory.empty()) {
        return directory;
    }
    TextString file = versionedName(name);
    for (int32_t i = 0; i < file.length(); ++i) {
        if (file[i] == '/') {
            file[i] = '.';
        }
    }
    directory.append('/');
    directory.append(nameWithinLimit(file.c_str(), kMaxFileName));
    return directory;
}

}  // namespace platform
