// Turning Ctrl-C and termination requests into an orderly stop (see interruption.h).
#include "interruption.h"

#include <csignal>
#include <initializer_list>

namespace wynpack {

namespace {

volatile std::sig_atomic_t recordedSignal = 0;

void recordSignal(int signal) {
    recordedSignal = signal;
}

}  // namespace

void installInterruptHandlers() {
    struct sigaction action = {};
    action.sa_handler = recordSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal that the caller told us to ignore (nohup, background jobs) stays ignored.
        struct sigaction previous = {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
}

bool interruptRequested() {
    return recordedSignal != 0;
}

void endIfInterrupted() {
    int signal = recordedSignal;
    if (signal == 0) {
        return;
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace wynpack
