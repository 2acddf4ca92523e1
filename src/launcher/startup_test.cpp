#include "launcher/startup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <thread>

#include "platform/signals.h"
#include "platform/sync.h"

namespace {

struct ThreadProbe {
    std::thread::id ranOn;
    unsigned answer;
};

unsigned WYN_THREAD_CALL recordThread(void* argument) {
    auto* probe = static_cast<ThreadProbe*>(argument);
    probe->ranOn = std::this_thread::get_id();
    return probe->answer;
}

TEST(LaunchThread, RunsOnAnotherThreadAndReturnsItsResult) {
    ThreadProbe probe{std::thread::id(), 42};
    EXPECT_EQ(runOnLaunchThread(recordThread, 0, &probe), 42u);
    EXPECT_NE(probe.ranOn, std::this_thread::get_id());
    EXPECT_NE(probe.ranOn, std::thread::id());
}

std::atomic<int> chainedSignal{0};

void chainedHandler(int signal) {
    chainedSignal = signal;
}

TEST(TerminationSignal, PassesTheSignalToTheHandlerInstalledBefore) {
    platform::installSignalHandler(SIGTERM, chainedHandler);
    onVmStarted();
    chainedSignal = 0;
    onTerminationSignal(SIGTERM);
    EXPECT_EQ(chainedSignal.load(), SIGTERM);

    chainedSignal = 0;
    onTerminationSignal(SIGABRT);
    EXPECT_EQ(chainedSignal.load(), 0);
}

TEST(TerminationSignal, ReservedHandlersAreNotCalled) {
    platform::installSignalHandler(SIGINT, SIG_IGN);
    onVmStarted();
    onTerminationSignal(SIGINT);  // would crash if SIG_IGN were called
    platform::installSignalHandler(SIGINT, SIG_DFL);
    SUCCEED();
}

}  // namespace
