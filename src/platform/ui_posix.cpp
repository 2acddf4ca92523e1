// The error "message box" on Linux: one line on standard error.
#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

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

void showErrorBoxAfterOutput(void* owner, const char* text, const char*, const char* caption) {
    showErrorBox(owner, text, caption);
}

void showErrorBoxUtf8(void* owner, const char* text, const char* caption) {
    showErrorBox(owner, text, caption);
}

void showErrorBoxOfferingUrl(void*, const char* text, const char*, const char* caption,
                             const char* url) {
    showErrorBox(nullptr, text, caption);
    TextString line("Download page: ");
    line.append(url);
    line.append('\n');
    std::fwrite(line.c_str(), 1, static_cast<size_t>(line.length()), stderr);
    std::fflush(stderr);
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        return;
    }
    // Not waited for: the opener may run as long as the browser it starts, and the launcher
    // ends right after the message anyway.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int stream : {0, 1, 2}) {
        posix_spawn_file_actions_addopen(&actions, stream, "/dev/null", O_RDWR, 0);
    }
    char program[] = "xdg-open";
    char* argv[] = {program, const_cast<char*>(url), nullptr};
    pid_t child = 0;
    posix_spawnp(&child, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
}

}  // namespace platform
