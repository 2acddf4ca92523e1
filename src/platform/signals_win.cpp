// Termination signals through the C runtime.
#include <csignal>

#include "platform/signals.h"

namespace platform {

SignalHandler installSignalHandler(int signal, SignalHandler handler) {
    return std::signal(signal, handler);
}

}  // namespace platform
