// A registry member without a virtual machine: it joins the instance registry of an
// application through the launcher's own code, then answers commands on standard input,
// one a line, on standard output:
//   list  -> "first=<pid> self=<pid> instances=<pid>,<pid>,..."
//   quit (or the end of input) -> leaves as the launcher does at its end, and exits 0.
// It prints "joined first=<pid> self=<pid>" once it has joined. Usage: instance_member
// APPID ("" for the executable's own block).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "instances/instance_block.h"
#include "instances/instance_registry.h"

namespace {

void printList(InstanceRegistry& registry) {
    std::vector<int32_t> pids = registry.instances();
    std::string line = "first=" + std::to_string(registry.firstInstancePid()) +
                       " self=" + std::to_string(registry.ownPid()) + " instances=";
    for (size_t i = 0; i < pids.size(); ++i) {
        line += (i > 0 ? "," : "") + std::to_string(pids[i]);
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const char* appid = argc > 1 ? argv[1] : "";
    platform::SharedMemory block;
    openInstanceBlock(appid, block);
    InstanceRegistry registry(block.view, block.lockName.c_str());
    std::printf("joined first=%d self=%d shared=%d\n", registry.firstInstancePid(),
                registry.ownPid(), registry.isShared() ? 1 : 0);
    std::fflush(stdout);
    char command[64];
    while (std::fgets(command, sizeof(command), stdin) != nullptr) {
        if (std::strncmp(command, "list", 4) == 0) {
            printList(registry);
        } else if (std::strncmp(command, "quit", 4) == 0) {
            break;
        }
    }
    registry.shutdownRegistry();
    platform::closeSharedMemory(block);
    return 0;
}
