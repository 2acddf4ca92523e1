// The guard of the process-wide objects and the one teardown it shares with the exit hook.
// The teardown runs once per process, so this file holds its one test that ends it.
#include "launcher/process_end.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_store.h"
#include "instances/instance_block.h"
#include "instances/instance_registry.h"
#include "instances/shared_instance_block.h"
#include "launcher/active_objects.h"
#include "launcher/jvm_session.h"
#include "platform/process_identity.h"

namespace {

int32_t firstInstanceOf(const platform::SharedMemory& block) {
    return static_cast<const SharedInstanceBlock*>(block.view)->firstInstancePid;
}

TEST(ProcessObjectsGuard, PublishesForItsScopeThenEndsTheSharedObjectsOnce) {
    int32_t self = platform::currentProcessId();
    std::string appid = "wyn-test.process-end." + std::to_string(self);
    platform::SharedMemory block;
    openInstanceBlock(appid.c_str(), block);
    ASSERT_NE(block.view, nullptr);
    ConfigStore config(false);
    JvmSession session;
    InstanceRegistry registry(block.view, block.key.c_str());
    {
        ProcessObjectsGuard published(config, session, registry, block);
        EXPECT_EQ(activeConfig, &config);
        EXPECT_EQ(activeSession, &session);
        EXPECT_EQ(activeRegistry, &registry);

        // A termination signal that did not end the process leaves the shared objects to the
        // end that follows.
        endProcessObjects(ProcessEnd::Interrupted);
        EXPECT_NE(block.handle, nullptr);
        EXPECT_EQ(firstInstanceOf(block), self);
        EXPECT_EQ(registry.instances(), std::vector<int32_t>{self});
    }
    EXPECT_EQ(activeConfig, nullptr);
    EXPECT_EQ(activeSession, nullptr);
    EXPECT_EQ(activeRegistry, nullptr);
    EXPECT_EQ(block.handle, nullptr);
    EXPECT_EQ(block.view, nullptr);

    // The last process out removed the block: opened again, it is a new one.
    platform::SharedMemory again;
    openInstanceBlock(appid.c_str(), again);
    ASSERT_NE(again.view, nullptr);
    EXPECT_EQ(firstInstanceOf(again), 0);

    // Later ends (the exit hook after the guard) take nothing down a second time.
    keepForProcessEnd(nullptr, &again);
    endProcessObjects(ProcessEnd::Exiting);
    EXPECT_NE(again.handle, nullptr);
    EXPECT_NE(again.view, nullptr);
    keepForProcessEnd(nullptr, nullptr);
    platform::closeSharedMemory(again, true);
}

}  // namespace
