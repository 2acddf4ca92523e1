// Making the runtime that --jlink carries: jdeps lists the modules the application's jars and
// the support classes use, and jlink links an image of just those modules into a temporary
// directory beside the output, which is removed afterwards.
//
// The JDK is --jdk, else JAVA_HOME, else the JDK of the java on PATH. Its platform must be the
// target's. For this machine's platform its own jlink links it (from its jmods/, or from its
// own image where a JDK of release 24 or later has no jmods/) and a CDS archive is made, since
// a linked image has no default one otherwise. For another platform (a Windows JDK, for a
// Windows target) the JDK must have jmods/, and this machine's JDK of the same release (from
// JAVA_HOME or PATH) runs jdeps and jlink with --module-path pointing there; no CDS archive
// can be made then. jlink's own compression is not used: the archive deflates the image
// better than jlink's zip does, and the extracted runtime then loads its classes without
// inflating each one.
//
// Platforms: POSIX processes and files; the packer is a Linux host tool.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "problem.h"

namespace wynpack {

struct JlinkRequest {
    std::string jdk;     // --jdk, or empty
    std::string target;  // the packer's target name
    // The application's jars and the support jar (when packed), for jdeps.
    std::vector<std::string> jars;
    // Where the temporary image goes: the output file's path.
    std::string output;
};

// The directory of a JDK on this machine: given, else JAVA_HOME, else the one whose bin/java
// the PATH leads to (symbolic links followed). from names where it came from, for messages.
// Empty when there is none.
std::string findJdk(const std::string& given, std::string& from);

// The feature release (17 of "17.0.9", 8 of "1.8.0_392") of a JAVA_VERSION; 0 when unknown.
int featureRelease(const std::string& javaVersion);

// The module list of jdeps' --print-module-deps output (its last line); empty when the output
// holds none.
std::string moduleListOf(const std::string& jdepsOutput);

class LinkedRuntime {
  public:
    using LineSink = std::function<void(const std::string&)>;

    LinkedRuntime() = default;
    LinkedRuntime(const LinkedRuntime&) = delete;
    LinkedRuntime& operator=(const LinkedRuntime&) = delete;
    // Removes the temporary directory with the image.
    ~LinkedRuntime();

    // Finds the JDK (given, else JAVA_HOME, else the java on PATH) and the JDK whose jdeps
    // and jlink run, checking both against the target; bad input when they do not fit.
    [[nodiscard]] bool plan(const std::string& givenJdk, const std::string& target,
                            Problem& problem);

    // After plan: runs jdeps and jlink; the image is then in imageDirectory(). supportJarBytes: the
    // support classes when they are carried inside the packer rather than a file (empty
    // otherwise); they are written to the temporary directory for jdeps.
    [[nodiscard]] bool link(const JlinkRequest& request, const std::string& supportJarBytes,
                            const LineSink& note, Problem& problem);

    const std::string& imageDirectory() const { return image_; }

  private:
    std::string jdk_;        // the JDK whose modules are linked
    std::string toolsHome_;  // the JDK whose jdeps and jlink run
    int toolsFeature_ = 0;
    std::string modulePath_;
    std::string directory_;
    std::string image_;
};

}  // namespace wynpack
