// Termination signals on Linux: a self-pipe and a watcher thread, so that the handler runs
// outside signal context and may attach to the Java runtime.
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/signals.h"

namespace platform {

namespace {

constexpr int kMaxSignal = 65;
volatile SignalHandler handlers[kMaxSignal];
int pipeFds[2] = {-1, -1};
pthread_once_t watcherOnce = PTHREAD_ONCE_INIT;
bool watcherRunning = false;

void onSignalInterrupt(int signal) {
    int saved = errno;
    unsigned char number = static_cast<unsigned char>(signal);
    ssize_t ignored = write(pipeFds[1], &number, 1);
    (void)ignored;
    errno = saved;
}

void* watchSignals(void*) {
    for (;;) {
        unsigned char number;
        ssize_t n = read(pipeFds[0], &number, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return nullptr;
        }
        SignalHandler handler = number < kMaxSignal ? handlers[number] : nullptr;
        if (handler != nullptr) {
            handler(number);
        }
    }
}

void startWatcher() {
    if (pipe(pipeFds) != 0) {
        return;
    }
    fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
    fcntl(pipeFds[1], F_SETFD, FD_CLOEXEC);
    pthread_t thread;
    if (pthread_create(&thread, nullptr, watchSignals, nullptr) == 0) {
        pthread_detach(thread);
        watcherRunning = true;
    }
}

}  // namespace

SignalHandler installSignalHandler(int signal, SignalHandler handler) {
    if (signal <= 0 || signal >= kMaxSignal) {
        return SIG_ERR;
    }
    pthread_once(&watcherOnce, startWatcher);
    if (!watcherRunning) {
        return SIG_ERR;
    }
    SignalHandler replaced = handlers[signal];
    handlers[signal] = handler;
    struct sigaction action = {};
    action.sa_handler = onSignalInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    struct sigaction previous = {};
    if (sigaction(signal, &action, &previous) != 0) {
        return SIG_ERR;
    }
    if (previous.sa_handler == onSignalInterrupt) {
        // Installed through here before: the handler in place is the one the watcher called.
        return replaced;
    }
    if (previous.sa_flags & SA_SIGINFO) {
        return SIG_DFL;
    }
    return previous.sa_handler;
}

}  // namespace platform
