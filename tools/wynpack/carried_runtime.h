// The packing step for a Java runtime carried inside the executable (--runtime, --jlink):
// checks that the stub can read one and that the runtime fits the target before anything is
// written, makes the jlinked image when asked, hashes the files, and has the archive writer
// add them with their index (see runtime_entries.h).
//
// Platforms: the packer is a Linux host tool.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "archive_merge.h"
#include "arguments.h"
#include "jlink_runtime.h"
#include "problem.h"
#include "runtime_entries.h"
#include "runtime_image.h"

namespace wynpack {

// True when the stub carries the text that says it can extract a runtime carried inside the
// executable (kEmbeddedRuntimeCapability with its terminating NUL).
bool stubCarriesRuntimeCapability(std::string_view stub);

// The target a stub is for: the --target name, else the stub's own machine (empty when it is
// neither an ELF file nor a PE image).
std::string stubTarget(const PackOptions& options, std::string_view stub);

class CarriedRuntime {
  public:
    using LineSink = std::function<void(const std::string&)>;

    // Whether the options ask for a runtime at all.
    static bool requested(const PackOptions& options) {
        return !options.runtime.empty() || options.jlink;
    }

    // The checks that need no work: the stub can read a runtime, and a --runtime image fits
    // the target. Bad input otherwise.
    [[nodiscard]] bool check(const PackOptions& options, const std::string& stubPath,
                             std::string_view stub, Problem& problem);

    // Makes the jlinked image (for --jlink), hashes the image's files and registers the
    // entries with the merger. jars: the application's jars and the support jar's file, or
    // supportJarBytes when it is carried inside the packer.
    [[nodiscard]] bool prepare(const PackOptions& options, std::vector<std::string> jars,
                               const std::string& supportJarBytes, ArchiveMerger& merger,
                               const LineSink& note, const LineSink& progress, Problem& problem);

    // After a failed write: the reason a runtime file could not be carried, when that was it.
    const std::string& readFailure() const;

    // "a linux-x86_64 runtime (release 17.0.9, 71 files)" for the summary.
    std::string description() const;

  private:
    std::string target_;
    RuntimeImage image_;
    LinkedRuntime linked_;
    std::unique_ptr<RuntimeEntries> entries_;
};

}  // namespace wynpack
