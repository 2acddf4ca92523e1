// The decision trace: standard error with WYN_TRACE=1, and the file the entry names.
#include "base/trace.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"

namespace {

const std::chrono::steady_clock::time_point startTime = std::chrono::steady_clock::now();

constexpr int32_t kMaxKeptBytes = 65536;

// Set by the main thread before the launch thread starts; only read afterwards.
TraceWriter fileWriter = nullptr;
bool fileDecided = false;
TextString keptLines;

}  // namespace

bool traceEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("WYN_TRACE");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

void trace(const char* format, ...) {
    if (!traceEnabled() && fileDecided && fileWriter == nullptr) {
        return;
    }
    long long micros = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - startTime)
                           .count();
    TextString line;
    line.format("wyn: [%8lld us] ", micros);
    TextString text;
    va_list args;
    va_start(args, format);
    text.formatList(format, args);
    va_end(args);
    line.append(text);
    line.append('\n');
    if (traceEnabled()) {
        std::fwrite(line.c_str(), 1, static_cast<size_t>(line.length()), stderr);
        std::fflush(stderr);
    }
    if (fileWriter != nullptr) {
        fileWriter(line.c_str(), line.length());
    } else if (!fileDecided && keptLines.length() + line.length() <= kMaxKeptBytes) {
        keptLines.append(line);
    }
}

void setTraceFile(TraceWriter writer, const char* header) {
    if (fileDecided) {
        return;
    }
    if (writer != nullptr) {
        TextString first(header != nullptr ? header : "");
        first.append('\n');
        first.append(keptLines);
        writer(first.c_str(), first.length());
    }
    fileWriter = writer;
    keptLines = TextString();
    fileDecided = true;
}
