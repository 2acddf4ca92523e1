// Where the packer finds the stubs and the support jar (see install_layout.h).
#include "install_layout.h"

#include <limits.h>
#include <unistd.h>

#include "arguments.h"

namespace wynpack {

std::string toolDirectory() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer));
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof(buffer))) {
        return std::string();
    }
    std::string path(buffer, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/') + 1);
}

std::string stubPathFor(const std::string& toolDir, std::string_view target) {
    const char* file = stubFileName(target);
    if (file == nullptr) {
        return std::string();
    }
    return toolDir + "../stubs/" + std::string(target) + "/" + file;
}

std::string supportJarPathFor(const std::string& toolDir) {
    return toolDir + "../lib/wyn-support.jar";
}

}  // namespace wynpack
