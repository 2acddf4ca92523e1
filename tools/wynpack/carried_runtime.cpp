// The packing step for a Java runtime carried inside the executable (see carried_runtime.h).
#include "carried_runtime.h"

#include "binary_platform.h"
#include "format/runtime_index.h"
#include "interruption.h"

namespace wynpack {

bool stubCarriesRuntimeCapability(std::string_view stub) {
    std::string_view text(kEmbeddedRuntimeCapability, sizeof kEmbeddedRuntimeCapability);
    return stub.find(text) != std::string_view::npos;
}

std::string stubTarget(const PackOptions& options, std::string_view stub) {
    return options.target.empty() ? binaryPlatform(stub.substr(0, kBinaryHeaderBytes))
                                  : options.target;
}

bool CarriedRuntime::check(const PackOptions& options, const std::string& stubPath,
                           std::string_view stub, Problem& problem) {
    if (!stubCarriesRuntimeCapability(stub)) {
        return fail(problem, ExitStatus::BadInput,
                    "this stub is too old to carry a Java runtime: " + quoted(stubPath) +
                        " cannot extract a runtime carried inside the executable; take a stub "
                        "of this release, or put the runtime beside the program as jre/");
    }
    target_ = stubTarget(options, stub);
    if (target_ != "linux-x86_64" && target_ != "windows-x86" && target_ != "windows-x86_64") {
        return fail(problem, ExitStatus::BadInput,
                    "the stub " + quoted(stubPath) + " is for " +
                        (target_.empty() ? "no platform the packer knows" : target_) +
                        ": a carried runtime needs a stub for linux-x86_64, windows-x86 or "
                        "windows-x86_64");
    }
    // A given image is checked now; a linked one is made once the rest of the input is known
    // good, but its JDK is checked now.
    return options.jlink ? linked_.plan(options.jdk, target_, problem)
                         : inspectRuntimeImage(options.runtime, target_, image_, problem);
}

bool CarriedRuntime::prepare(const PackOptions& options, std::vector<std::string> jars,
                             const std::string& supportJarBytes, ArchiveMerger& merger,
                             const LineSink& note, const LineSink& progress, Problem& problem) {
    if (options.jlink) {
        // jlink runs for a while and leaves a directory: an interrupt must remove it.
        installInterruptHandlers();
        JlinkRequest request{options.jdk, target_, std::move(jars), options.output};
        if (!linked_.link(request, supportJarBytes, note, problem) ||
            !inspectRuntimeImage(linked_.imageDirectory(), target_, image_, problem)) {
            return false;
        }
    }
    if (image_.files.empty()) {
        return fail(problem, ExitStatus::BadInput,
                    "runtime " + quoted(image_.directory) + " holds no file");
    }
    for (const RuntimeImageFile& file : image_.files) {
        if (file.path.rfind("jmods/", 0) == 0) {
            note("runtime " + quoted(image_.directory) +
                 " is a whole JDK (jmods/ included): --jlink carries a far smaller runtime");
            break;
        }
    }
    std::string indexText;
    if (!hashRuntimeFiles(image_, problem) || !runtimeIndexText(image_, indexText, problem)) {
        return false;
    }
    entries_ = std::make_unique<RuntimeEntries>(image_, std::move(indexText), progress);
    RuntimeEntries* entries = entries_.get();
    merger.addEntryWriter(
        [entries](zip_t* target, const ArchiveMerger::NoteSink& sink, Problem& writeProblem) {
            return entries->addTo(target, sink, writeProblem);
        });
    return true;
}

const std::string& CarriedRuntime::readFailure() const {
    static const std::string none;
    return entries_ ? entries_->readFailure() : none;
}

std::string CarriedRuntime::description() const {
    return "a " + image_.platform + " runtime (release " + image_.release + ", " +
           std::to_string(image_.files.size()) + " files)";
}

}  // namespace wynpack
