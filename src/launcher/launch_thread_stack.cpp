// The launch thread's stack size from the -Xss options.
#include "launcher/launch_thread_stack.h"

#include <cstring>

#include "base/trace.h"

namespace {

constexpr unsigned long long kMinimumStack = 256ull * 1024;
constexpr unsigned long long kMaximumStack = 1024ull * 1024 * 1024;

// The bytes a -Xss value names, or 0 when it names none.
unsigned long long stackBytes(const char* value) {
    unsigned long long number = 0;
    const char* at = value;
    while (*at >= '0' && *at <= '9') {
        number = number * 10 + static_cast<unsigned>(*at - '0');
        if (number > kMaximumStack) {
            return 0;
        }
        ++at;
    }
    if (at == value) {
        return 0;
    }
    unsigned long long unit = 1;
    switch (*at) {
        case '\0':
            return number;
        case 'k':
        case 'K':
            unit = 1024;
            break;
        case 'm':
        case 'M':
            unit = 1024 * 1024;
            break;
        case 'g':
        case 'G':
            unit = 1024 * 1024 * 1024;
            break;
        default:
            return 0;
    }
    return at[1] == '\0' ? number * unit : 0;
}

}  // namespace

unsigned launchThreadStackSize(const StringList& options) {
    const char* last = nullptr;
    for (int32_t i = 0; i < options.count(); ++i) {
        if (std::strncmp(options.stringAt(i), "-Xss", 4) == 0) {
            last = options.stringAt(i);
        }
    }
    if (last == nullptr) {
        return 0;
    }
    unsigned long long bytes = stackBytes(last + 4);
    if (bytes == 0 || bytes > kMaximumStack) {
        trace("launch thread: default stack (%s names no size the runtime takes)", last);
        return 0;
    }
    if (bytes < kMinimumStack) {
        bytes = kMinimumStack;
    }
    trace("launch thread: stack of %llu bytes (%s)", bytes, last);
    return static_cast<unsigned>(bytes);
}
