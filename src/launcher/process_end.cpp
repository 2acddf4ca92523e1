// The one teardown of what the process shares with other processes.
#include "launcher/process_end.h"

#include <atomic>

#include "base/trace.h"
#include "instances/instance_registry.h"
#include "platform/sync.h"

namespace {

// Written by the entry before any other thread runs.
InstanceRegistry* registryToEnd = nullptr;
platform::SharedMemory* blockToClose = nullptr;
std::atomic<bool> ended{false};

}  // namespace

void keepForProcessEnd(InstanceRegistry* registry, platform::SharedMemory* block) {
    registryToEnd = registry;
    blockToClose = block;
}

void endProcessObjects(ProcessEnd how) {
    if (ended.exchange(true)) {
        return;
    }
    bool blockUnused = true;
    if (registryToEnd != nullptr) {
        blockUnused = how == ProcessEnd::Returning ? registryToEnd->shutdownRegistry()
                                                   : registryToEnd->stopRegistry();
    }
    if (blockToClose != nullptr) {
        // Exiting: the view stays mapped for threads still in native code.
        platform::closeSharedMemory(*blockToClose, blockUnused && how == ProcessEnd::Returning);
    }
    platform::releaseNamedMutexes();
    trace("shared objects released (%s)", how == ProcessEnd::Returning ? "return" : "exit");
}
