// The one teardown of what the process shows and shares with other processes, and the guard
// that publishes the entry's objects for the launch.
#include "launcher/process_end.h"

#include <atomic>

#include "base/trace.h"
#include "config/config_store.h"
#include "instances/instance_registry.h"
#include "launcher/active_objects.h"
#include "platform/sync.h"
#include "tray/tray_icons.h"

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
    // Removes them once per process by itself, and needs neither the runtime nor a lock
    // that may be held for good.
    removeAllTrayIcons();
    if (how == ProcessEnd::Interrupted || ended.exchange(true)) {
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

ProcessObjectsGuard::ProcessObjectsGuard(ConfigStore& config, JvmSession& session,
                                         InstanceRegistry& registry,
                                         platform::SharedMemory& block) {
    keepForProcessEnd(&registry, &block);
    activeConfig = &config;
    activeSession = &session;
    activeRegistry = &registry;
}

ProcessObjectsGuard::~ProcessObjectsGuard() {
    activeConfig = nullptr;
    activeSession = nullptr;
    activeRegistry = nullptr;
    endProcessObjects(ProcessEnd::Returning);
}
