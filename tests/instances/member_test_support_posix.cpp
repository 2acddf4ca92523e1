// Removing the shared-memory objects a registry test made, on Linux.
#include <sys/mman.h>
#include <sys/stat.h>

#include <cstdio>

#include "instances/instance_block.h"
#include "instances/member_test_support.h"

void removeNamedBlock(const std::string& appid) {
    shm_unlink(("/" + std::string(instanceMappingName(appid.c_str()).c_str())).c_str());
}

void removeImageBlock(const std::string& executable) {
    struct stat st;
    if (stat(executable.c_str(), &st) != 0) {
        return;
    }
    char name[128];
    std::snprintf(name, sizeof(name), "/wyn-image-%llx-%llx.wyn.mapping",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    shm_unlink(name);
}
