// The files of the blocks a registry test made, on Linux: in the user's private directory.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "instances/instance_block.h"
#include "instances/member_test_support.h"
#include "platform/object_names.h"

std::string blockPath(const std::string& appid) {
    return platform::userObjectName(instanceBlockKey(appid.c_str()).c_str()).c_str();
}

void removeNamedBlock(const std::string& appid) {
    unlink(blockPath(appid).c_str());
}

void removeImageBlock(const std::string& executable) {
    struct stat st;
    if (stat(executable.c_str(), &st) != 0) {
        return;
    }
    char key[128];
    std::snprintf(key, sizeof(key), "wyn-image-%llx-%llx.wyn.mapping",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    unlink(platform::userObjectName(key).c_str());
}
