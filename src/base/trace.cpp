// The decision trace, switched on by WYN_TRACE=1.
#include "base/trace.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"

namespace {

const std::chrono::steady_clock::time_point startTime = std::chrono::steady_clock::now();

}  // namespace

bool traceEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("WYN_TRACE");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

void trace(const char* format, ...) {
    if (!traceEnabled()) {
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
    std::fwrite(line.c_str(), 1, static_cast<size_t>(line.length()), stderr);
    std::fflush(stderr);
}
