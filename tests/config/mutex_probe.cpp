// Test helper: takes the single-instance guard of the given name, prints "acquired",
// "held" or "failed <error>" on one line, and, when it acquired the guard, holds it for the
// given number of seconds (default 0) before it exits; with a third argument "release" it
// leaves as the launcher does at its orderly end (releaseNamedMutexes).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sync.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: mutex_probe NAME [SECONDS]\n");
        return 2;
    }
    int error = 0;
    platform::NamedMutexResult result = platform::acquireNamedMutex(argv[1], error);
    switch (result) {
        case platform::NamedMutexResult::Acquired:
            std::printf("acquired\n");
            break;
        case platform::NamedMutexResult::Held:
            std::printf("held\n");
            break;
        case platform::NamedMutexResult::Failed:
            std::printf("failed %d\n", error);
            break;
    }
    std::fflush(stdout);
    if (result == platform::NamedMutexResult::Acquired && argc > 2) {
        platform::sleepMilliseconds(static_cast<unsigned>(std::atoi(argv[2])) * 1000u);
    }
    if (argc > 3 && std::strcmp(argv[3], "release") == 0) {
        platform::releaseNamedMutexes();
    }
    return 0;
}
