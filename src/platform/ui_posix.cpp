// The error "message box" on Linux: one line on standard error.
#include <cstdio>

#include "base/text.h"
#include "platform/ui.h"

namespace platform {

void showErrorBox(void*, const char* text, const char* caption) {
    // Composed first and written at once, so that the line is not interleaved with output of
    // other threads.
    TextString line(caption);
    line.append(": ");
    line.append(text);
    line.append('\n');
    std::fwrite(line.c_str(), 1, static_cast<size_t>(line.length()), stderr);
    std::fflush(stderr);
}

void showErrorBoxUtf8(void* owner, const char* text, const char* caption) {
    showErrorBox(owner, text, caption);
}

}  // namespace platform
