// The `trace` key's file and its header line.
#include "launcher/trace_file.h"

#include <ctime>

#include "base/trace.h"
#include "base/version.h"
#include "config/config_store.h"
#include "platform/process.h"

namespace {

// Open for the rest of the process: the trace goes on until the process exits.
platform::OutputHandle traceTarget = platform::kNoOutput;

void writeToTraceFile(const char* text, int32_t length) {
    platform::writeOutput(traceTarget, text, static_cast<size_t>(length));
}

}  // namespace

void startTraceFile(const ConfigStore& config) {
    TextString path = config.traceFile();
    if (!path.empty()) {
        traceTarget = platform::openAppendFile(path.c_str());
    }
    if (traceTarget == platform::kNoOutput) {
        setTraceFile(nullptr, nullptr);
        if (!path.empty()) {
            trace("trace file %s cannot be opened", path.c_str());
        }
        return;
    }
    char date[32] = "";
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (local != nullptr) {
        std::strftime(date, sizeof(date), "%Y-%m-%d %H:%M:%S", local);
    }
    TextString header;
    header.format("wyn %s, %s, %s", WYN_VERSION_TEXT, config.exeFile().c_str(), date);
    setTraceFile(writeToTraceFile, header.c_str());
}
