// The start-up's splash step: the runtime's splash library when the located runtime carries
// one (and then never the native window), else the native window, else nothing.
#include "launcher/startup_splash.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/config_store.h"
#include "launcher/active_objects.h"
#include "launcher/jvm_session.h"
#include "platform/java_runtime.h"
#include "platform/resources.h"
#include "runtime/runtime_locator.h"
#include "splash/splash_window.h"
#include "splash_test_paths.h"
#include "support/payload_builder.h"
#include "support/scratch_tree.h"

namespace {

// A store read from a crafted executable, published as the active configuration (the
// runtime locator reads it from there) for the object's lifetime.
class ActiveConfiguration {
  public:
    ActiveConfiguration(const ScratchTree& tree, const std::string& text,
                        const std::vector<std::pair<std::string, std::string>>& entries = {})
        : store_(false) {
        CraftedExecutable exe;
        exe.config = text;
        exe.entries = entries;
        std::string path = tree.path("app.exe");
        EXPECT_TRUE(writeBytes(path, exe.bytes()));
        store_.loadFrom(path.c_str());
        activeConfig = &store_;
        forgetLocatedJvmLibrary();
    }
    ~ActiveConfiguration() {
        activeConfig = nullptr;
        forgetLocatedJvmLibrary();
    }
    const ConfigStore& store() const { return store_; }

  private:
    ConfigStore store_;
};

// A runtime in the tree: bin/client/<jvm library>, with a copy of a stand-in splash library
// of the given variant in bin/.
std::string runtimeWithSplashLibrary(ScratchTree& tree, const char* variant) {
    std::string jvm = tree.file(std::string("bin/client/") + platform::kJvmLibraryName);
    tree.file(std::string("bin/") + platform::kSplashLibraryName,
              readBytes(fakeSplashLibrary(variant)));
    return jvm;
}

TEST(StartupSplash, RuntimeSplashLibraryShowsTheSplashFile) {
    ScratchTree tree;
    std::string jvm = runtimeWithSplashLibrary(tree, "full");
    std::string image = fixturePath("splash-image.png");
    ActiveConfiguration config(tree, "jre_order=c\njvmdll=" + jvm + "\nsplash=" + image +
                                         "\nsplashtitle=Not the native window\n");
    std::string library = tree.path("bin/client/../") + platform::kSplashLibraryName;
    ASSERT_STREQ(findRuntimeSplashLibrary().c_str(), library.c_str());

    showStartupSplash(config.store());
    EXPECT_EQ(fakeSplashLog(library), "init;file:" + image + ";");
    EXPECT_FALSE(splashWindowExists());
}

TEST(StartupSplash, ArchiveEntryWhenNoSuchFileIsBesideTheProgram) {
    ScratchTree tree;
    std::string jvm = runtimeWithSplashLibrary(tree, "jarname");
    std::string library = tree.path("bin/client/../") + platform::kSplashLibraryName;
    ActiveConfiguration config(tree, "jre_order=c\njvmdll=" + jvm + "\nsplash=images\\logo.png\n",
                               {{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"},
                                {"images/logo.png", "logo image bytes in the archive"}});
    showStartupSplash(config.store());
    EXPECT_EQ(fakeSplashLog(library), "init;memory:31:logo image bytes;jar:images/logo.png|" +
                                          std::string(config.store().exePath().c_str()) + ";");
    EXPECT_TRUE(runtimeSplashShown());
}

TEST(StartupSplash, ADeclinedImageIsNotTakenForAShownSplash) {
    std::string image = fixturePath("splash-image.png");
    for (const char* variant : {"full", "declines", "full"}) {
        SCOPED_TRACE(variant);
        ScratchTree runtime;
        std::string jvm = runtimeWithSplashLibrary(runtime, variant);
        ActiveConfiguration config(runtime,
                                   "jre_order=c\njvmdll=" + jvm + "\nsplash=" + image + "\n");
        showStartupSplash(config.store());
        EXPECT_EQ(runtimeSplashShown(), std::string(variant) == "full");
        EXPECT_FALSE(splashWindowExists());
    }
}

TEST(StartupSplash, NoImageWhenTheEntryIsMissing) {
    ScratchTree tree;
    std::string jvm = runtimeWithSplashLibrary(tree, "jarname");
    std::string library = tree.path("bin/client/../") + platform::kSplashLibraryName;
    ActiveConfiguration config(tree, "jre_order=c\njvmdll=" + jvm + "\nsplash=images/logo.png\n",
                               {{"images/other.png", "another image"}});
    showStartupSplash(config.store());
    std::string log = fakeSplashLog(library);
    EXPECT_EQ(log.find("jar:"), std::string::npos) << log;
    const void* data = nullptr;
    int32_t size = 0;
    if (platform::findSplashImageData(data, size)) {
        EXPECT_EQ(log, "init;memory:" + std::to_string(size) + ":WYN-SPLASH-IMAGE;")
            << "the executable's own raw data 100 instead";
    } else {
        EXPECT_EQ(log, "") << "no image: the library is not even loaded";
    }
}

TEST(StartupSplash, RuntimeIsLoadedIntoTheSessionBeforeItsSplashLibrary) {
    ScratchTree tree;
    // A loadable stand-in for the runtime library: the session only loads it here.
    std::string jvm = tree.file(std::string("bin/client/") + platform::kJvmLibraryName,
                                readBytes(fakeSplashLibrary("nofile")));
    tree.file(std::string("bin/") + platform::kSplashLibraryName,
              readBytes(fakeSplashLibrary("full")));
    std::string image = fixturePath("splash-image.png");
    ActiveConfiguration config(tree, "jre_order=c\njvmdll=" + jvm + "\nsplash=" + image + "\n");
    JvmSession session;
    activeSession = &session;
    showStartupSplash(config.store());
    activeSession = nullptr;
    EXPECT_NE(session.library(), nullptr);
    EXPECT_EQ(fakeSplashLog(tree.path("bin/") + platform::kSplashLibraryName),
              "init;file:" + image + ";");
}

TEST(StartupSplash, FailingRuntimeSplashLibraryFallsBackToNothing) {
    ScratchTree tree;
    std::string jvm = runtimeWithSplashLibrary(tree, "noinit");
    ActiveConfiguration config(
        tree, "jre_order=c\njvmdll=" + jvm + "\nsplash=" + fixturePath("splash-image.png") + "\n");
    showStartupSplash(config.store());
    EXPECT_FALSE(splashWindowExists()) << "once the runtime's library is chosen, it alone decides";
}

TEST(StartupSplash, RuntimeWithoutSplashLibraryIsNotTheRuntimeSplash) {
    ScratchTree tree;
    std::string jvm = tree.file(std::string("bin/client/") + platform::kJvmLibraryName);
    ActiveConfiguration config(tree, "jre_order=c\njvmdll=" + jvm + "\n");
    EXPECT_TRUE(findRuntimeSplashLibrary().empty());
}

}  // namespace
