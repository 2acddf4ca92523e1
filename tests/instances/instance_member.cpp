// A registry member without a virtual machine: it joins the instance registry of an
// application through the launcher's own code, then answers commands on standard input,
// one a line, on standard output:
//   list  -> "first=<pid> self=<pid> instances=<pid>,<pid>,..."
//   custom -> switches the custom mode on (the watcher thread starts) -> "custom"
//   send <pid> <n> -> queues a message of a 4-byte zero header and n pattern bytes for pid
//                     (0: the first instance)
//   burst <pid> <count> [size] -> queues count messages for pid as send does, of 0, 1, ...,
//                          count-1 pattern bytes, or each of size bytes when size is given
//   slow <ms> -> from now on each delivery sleeps ms milliseconds after its report
//   flush -> waits until the queue is empty (at most 5 s) -> "flushed empty=<0|1>"
//   quit (or the end of input) -> leaves as the launcher does at its end, and exits 0.
//   exit -> leaves as the launcher does when the application calls System.exit (the same
//           teardown as the runtime's exit hook), and exits 0 at once.
// It prints "joined first=<pid> self=<pid> shared=<0|1>" once it has joined, and for every
// message received "received from=<pid> size=<n> intact=<0|1>". Usage: instance_member
// APPID ("" for the executable's own block).
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "instances/instance_block.h"
#include "instances/instance_receiver.h"
#include "instances/instance_registry.h"
#include "launcher/process_end.h"
#include "platform/sync.h"

namespace {

std::mutex outputLock;

void printLine(const std::string& line) {
    std::lock_guard<std::mutex> guard(outputLock);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

uint8_t patternByte(size_t i, size_t size) {
    return static_cast<uint8_t>(i * 7 + size);
}

// Reports each message instead of handing it to Java.
class ReportingReceiver : public InstanceReceiver {
  public:
    void deliverMessage(int32_t sender, int32_t length, const uint8_t* bytes) override {
        size_t size = length >= 4 ? static_cast<size_t>(length) - 4 : 0;
        bool intact =
            length >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0;
        for (size_t i = 0; intact && i < size; ++i) {
            intact = bytes[4 + i] == patternByte(i, size);
        }
        printLine("received from=" + std::to_string(sender) + " size=" + std::to_string(size) +
                  " intact=" + (intact ? "1" : "0"));
        if (int ms = delayMs.load()) {
            platform::sleepMilliseconds(static_cast<unsigned>(ms));
        }
    }
    std::atomic<int> delayMs{0};
};

void printList(InstanceRegistry& registry) {
    std::vector<int32_t> pids = registry.instances();
    std::string line = "first=" + std::to_string(registry.firstInstancePid()) +
                       " self=" + std::to_string(registry.ownPid()) + " instances=";
    for (size_t i = 0; i < pids.size(); ++i) {
        line += (i > 0 ? "," : "") + std::to_string(pids[i]);
    }
    printLine(line);
}

void sendOne(InstanceRegistry& registry, long target, size_t size) {
    if (target == 0) {
        registry.ensureFirstInstance();
        target = registry.firstInstancePid();
    }
    std::vector<uint8_t> body(4 + size, 0);
    for (size_t i = 0; i < size; ++i) {
        body[4 + i] = patternByte(i, size);
    }
    registry.enqueueMessage(static_cast<int32_t>(target), std::move(body));
}

void send(InstanceRegistry& registry, const char* arguments) {
    char* end = nullptr;
    long target = std::strtol(arguments, &end, 10);
    sendOne(registry, target, std::strtoul(end, nullptr, 10));
}

void burst(InstanceRegistry& registry, const char* arguments) {
    char* end = nullptr;
    long target = std::strtol(arguments, &end, 10);
    size_t count = std::strtoul(end, &end, 10);
    long size = std::strtol(end, nullptr, 10);
    for (size_t i = 0; i < count; ++i) {
        sendOne(registry, target, size > 0 ? static_cast<size_t>(size) : i);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* appid = argc > 1 ? argv[1] : "";
    platform::SharedMemory block;
    openInstanceBlock(appid, block);
    ReportingReceiver receiver;
    {
        InstanceRegistry registry(block.view, block.view != nullptr ? block.key.c_str() : nullptr);
        printLine("joined first=" + std::to_string(registry.firstInstancePid()) +
                  " self=" + std::to_string(registry.ownPid()) +
                  " shared=" + (registry.isShared() ? "1" : "0"));
        char command[256];
        while (std::fgets(command, sizeof(command), stdin) != nullptr) {
            if (std::strncmp(command, "list", 4) == 0) {
                printList(registry);
            } else if (std::strncmp(command, "custom", 6) == 0) {
                registry.startCustomMode(receiver);
                printLine("custom");
            } else if (std::strncmp(command, "send ", 5) == 0) {
                send(registry, command + 5);
            } else if (std::strncmp(command, "burst ", 6) == 0) {
                burst(registry, command + 6);
            } else if (std::strncmp(command, "slow ", 5) == 0) {
                receiver.delayMs = std::atoi(command + 5);
            } else if (std::strncmp(command, "flush", 5) == 0) {
                for (int i = 0; i < 100 && !registry.outgoingEmpty(); ++i) {
                    platform::sleepMilliseconds(50);
                }
                printLine(std::string("flushed empty=") + (registry.outgoingEmpty() ? "1" : "0"));
            } else if (std::strncmp(command, "quit", 4) == 0) {
                break;
            } else if (std::strncmp(command, "exit", 4) == 0) {
                keepForProcessEnd(&registry, &block);
                endProcessObjects(ProcessEnd::Exiting);
                std::exit(0);
            }
        }
        registry.shutdownRegistry();
    }
    platform::closeSharedMemory(block, true);
    return 0;
}
