// wynpack: packs a launcher stub, a configuration file and the application's jars into one
// executable. See arguments.cpp for the command line and pack.h for the run.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "arguments.h"
#include "config_check.h"
#include "install_layout.h"
#include "interruption.h"
#include "pack.h"

int main(int argc, char** argv) {
    // libzip turns entry times into local time and back; in UTC that round trip is exact for
    // every stored time, also for those that fall into a daylight saving gap.
    setenv("TZ", "UTC", 1);

    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(wynpack::helpText().c_str(), stderr);
        return static_cast<int>(wynpack::ExitStatus::BadInput);
    }
    wynpack::PackOptions options;
    std::string error;
    if (!wynpack::parseArguments(args, options, error)) {
        std::fprintf(stderr, "wynpack: %s\n", error.c_str());
        return static_cast<int>(wynpack::ExitStatus::BadInput);
    }
    if (options.help || options.version) {
        std::fputs((options.help ? wynpack::helpText() : wynpack::versionText()).c_str(), stdout);
        return 0;
    }
    wynpack::PackMessages messages;
    messages.note = [](const std::string& line) {
        std::fprintf(stderr, "wynpack: note: %s\n", line.c_str());
    };
    messages.warning = [](const std::string& line) {
        std::fprintf(stderr, "wynpack: warning: %s\n", line.c_str());
    };
    messages.progress = [](const std::string& line) {
        std::fprintf(stderr, "wynpack: %s\n", line.c_str());
    };
    wynpack::Problem problem;
    std::string summary;
    if (!options.check.empty()) {
        if (!wynpack::checkConfiguration(options.check, messages, summary, problem)) {
            std::fprintf(stderr, "wynpack: %s\n", problem.message.c_str());
            return static_cast<int>(problem.status);
        }
        std::printf("wynpack: %s\n", summary.c_str());
        return 0;
    }
    bool ok = wynpack::pack(options, wynpack::toolPath(), messages, summary, problem);
    if (ok) {
        std::printf("wynpack: %s\n", summary.c_str());
    } else {
        std::fprintf(stderr, "wynpack: %s\n", problem.message.c_str());
    }
    wynpack::endIfInterrupted();
    return ok ? 0 : static_cast<int>(problem.status);
}
