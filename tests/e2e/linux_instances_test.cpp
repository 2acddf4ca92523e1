// The instance registry seen from Java: packed applications with the real JDK ask
// com.tarnwick.wyn.Instances which instances run, in custom mode and without it.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "e2e/launch_fixture.h"

namespace {

constexpr int kWaitMs = 60000;

class LinuxInstances : public LaunchTest {
  protected:
    void TearDown() override {
        for (const std::string& name : objects_) {
            shm_unlink(name.c_str());
        }
        LaunchTest::TearDown();
    }

    // Packs the reporting application; appid may be empty.
    std::string packApp(const std::string& name, const std::string& appid,
                        const std::string& mode) {
        std::string config = "mainclass com.example.instances.InstancesApp\n";
        if (!appid.empty()) {
            config += "appid " + appid + "\n";
            objects_.push_back("/" + appid + ".wyn.mapping");
        }
        if (!mode.empty()) {
            config += "singleinstance " + mode + "\n";
        }
        std::string exe = pack(E2ePaths::linuxStub(), config, {WYN_E2E_INSTANCES_APP_JAR}, name);
        struct stat st;
        if (stat(exe.c_str(), &st) == 0) {
            char object[128];
            std::snprintf(object, sizeof(object), "/wyn-image-%llx-%llx.wyn.mapping",
                          static_cast<unsigned long long>(st.st_dev),
                          static_cast<unsigned long long>(st.st_ino));
            objects_.push_back(object);
        }
        return exe;
    }

    std::string uniqueAppid(const std::string& what) {
        return "wyn-e2e-" + std::to_string(getpid()) + "-" + what;
    }

    // A running instance named name (its files in dir()), after its first report.
    std::unique_ptr<ChildProcess> start(const std::string& exe, const std::string& name) {
        ChildCommand command;
        command.argv = {exe, dir(), name};
        command.setEnv = {std::string("JAVA_HOME=") + E2ePaths::jdk()};
        command.unsetEnv = {"JRE_HOME", "CLASSPATH", "CLASS_PATH"};
        auto child = std::make_unique<ChildProcess>(command);
        reports_[child.get()] = 1;
        EXPECT_TRUE(child->waitForOutput("done.1=yes", kWaitMs)) << child->output();
        return child;
    }

    // Asks a running instance for another report and returns key's value in it.
    struct Report {
        std::string first, current, instances;
    };
    Report ask(ChildProcess& child, const std::string& name) {
        int n = ++reports_[&child];
        writeFile(dir() + "/" + name + ".report", "");
        std::string suffix = "." + std::to_string(n);
        EXPECT_TRUE(child.waitForOutput("done" + suffix + "=yes", kWaitMs)) << child.output();
        return {reportValue(child.output(), "first" + suffix),
                reportValue(child.output(), "current" + suffix),
                reportValue(child.output(), "instances" + suffix)};
    }

    void stop(ChildProcess& child, const std::string& name) {
        writeFile(dir() + "/" + name + ".stop", "");
        ChildResult r = child.finish(kWaitMs);
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }

  private:
    std::vector<std::string> objects_;
    std::map<ChildProcess*, int> reports_;
};

TEST_F(LinuxInstances, FirstAndSecondSeeEachOtherInCustomMode) {
    std::string exe = packApp("app", uniqueAppid("custom"), "Custom");
    auto a = start(exe, "a");
    EXPECT_EQ(reportValue(a->output(), "instances.1"), std::to_string(a->pid()));
    EXPECT_EQ(reportValue(a->output(), "first.1"), std::to_string(a->pid()));
    EXPECT_EQ(reportValue(a->output(), "current.1"), std::to_string(a->pid()));

    auto b = start(exe, "b");
    std::string both = std::to_string(a->pid()) + "," + std::to_string(b->pid());
    EXPECT_EQ(reportValue(b->output(), "instances.1"), both);
    EXPECT_EQ(reportValue(b->output(), "first.1"), std::to_string(a->pid()));
    EXPECT_EQ(reportValue(b->output(), "current.1"), std::to_string(b->pid()));
    Report fromA = ask(*a, "a");
    EXPECT_EQ(fromA.instances, both);
    EXPECT_EQ(fromA.first, std::to_string(a->pid()));

    // The first ends; the other takes over and lists only itself.
    stop(*a, "a");
    Report after = ask(*b, "b");
    EXPECT_EQ(after.first, std::to_string(b->pid()));
    EXPECT_EQ(after.instances, std::to_string(b->pid()));
    stop(*b, "b");
}

TEST_F(LinuxInstances, WithoutCustomModeOnlyTheListAnswers) {
    std::string exe = packApp("app", uniqueAppid("plain"), "");
    auto a = start(exe, "a");
    auto b = start(exe, "b");
    EXPECT_EQ(reportValue(b->output(), "first.1"), "-1");
    EXPECT_EQ(reportValue(b->output(), "current.1"), "-1");
    EXPECT_EQ(reportValue(b->output(), "instances.1"),
              std::to_string(a->pid()) + "," + std::to_string(b->pid()));
    stop(*a, "a");
    stop(*b, "b");
}

// Without an application id each executable file has its own registry: two copies at
// different paths do not meet; with the same id they do.
TEST_F(LinuxInstances, CopiesMeetOnlyThroughTheSameApplicationId) {
    std::string one = packApp("one", "", "custom");
    std::string two = packApp("two", "", "custom");
    auto a = start(one, "a");
    auto b = start(two, "b");
    EXPECT_EQ(reportValue(b->output(), "instances.1"), std::to_string(b->pid()));
    EXPECT_EQ(ask(*a, "a").instances, std::to_string(a->pid()));
    auto c = start(one, "c");
    EXPECT_EQ(reportValue(c->output(), "instances.1"),
              std::to_string(a->pid()) + "," + std::to_string(c->pid()));
    stop(*a, "a");
    stop(*b, "b");
    stop(*c, "c");

    std::string appid = uniqueAppid("shared");
    std::string three = packApp("three", appid, "custom");
    std::string four = packApp("four", appid, "custom");
    auto d = start(three, "d");
    auto e = start(four, "e");
    EXPECT_EQ(reportValue(e->output(), "instances.1"),
              std::to_string(d->pid()) + "," + std::to_string(e->pid()));
    stop(*d, "d");
    stop(*e, "e");
}

}  // namespace
