// Where the packer finds the stubs and the support jar (see install_layout.h).
#include "install_layout.h"

#include <limits.h>
#include <unistd.h>

#include <vector>

#include "carried_files.h"
#include "input_files.h"

namespace wynpack {

namespace {

// Takes the carried file of that name, or names the file beside the tool.
void chooseInput(const std::vector<CarriedFile>& carried, const std::string& toolPath,
                 const std::string& name, ToolInput& input) {
    for (const CarriedFile& file : carried) {
        if (file.name == name) {
            input.name = toolPath + "!/" + name;
            input.carried = true;
            input.bytes = file.bytes;
            return;
        }
    }
    input.name = toolPath.substr(0, toolPath.rfind('/') + 1) + "../" + name;
}

}  // namespace

std::string toolPath() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer));
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof(buffer))) {
        return std::string();
    }
    return std::string(buffer, static_cast<size_t>(n));
}

bool findToolInputs(const PackOptions& options, const std::string& toolPath, ToolInput& stub,
                    ToolInput& supportJar, Problem& problem) {
    stub.name = options.stub;
    supportJar.name = options.supportJar;
    bool needStub = options.stub.empty();
    bool needSupportJar = !options.noSupport && options.supportJar.empty();
    if (!needStub && !needSupportJar) {
        return true;
    }
    if (toolPath.empty()) {
        return fail(problem, ExitStatus::Failed,
                    "cannot find the wynpack executable's own file; name the stub and the support "
                    "jar with --stub and --support-jar");
    }
    // /proc/self/exe is the running file even when its path has been replaced since.
    std::string self;
    if (!readInputFile("/proc/self/exe", "wynpack executable", self, problem)) {
        return false;
    }
    std::vector<CarriedFile> carried;
    std::string reason;
    if (readCarriedFiles(self, carried, reason) == CarriedState::Damaged) {
        return fail(problem, ExitStatus::BadInput,
                    "the stubs and support jar carried inside " + quoted(toolPath) +
                        " are damaged: " + reason +
                        "; copy wynpack again, or name the files with --stub and --support-jar");
    }
    if (needStub) {
        std::string name = "stubs/" + options.target + "/" + stubFileName(options.target);
        chooseInput(carried, toolPath, name, stub);
    }
    if (needSupportJar) {
        chooseInput(carried, toolPath, "lib/wyn-support.jar", supportJar);
    }
    return true;
}

}  // namespace wynpack
