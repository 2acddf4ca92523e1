// The configuration of the real launcher stub with a payload behind it and an external
// file beside it, as a packer would produce them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/config_sources.h"
#include "config/config_store.h"
#include "platform/files.h"
#include "support/payload_builder.h"

namespace {

std::string str(const TextString& t) {
    return std::string(t.c_str(), t.length());
}

std::string stubPath() {
    const char* path = std::getenv("WYN_TEST_STUB");
    return path != nullptr ? path : "";
}

TEST(PackedStub, EmbeddedAndExternalConfigurationOfARealStub) {
    std::string stub = readBytes(stubPath());
    ASSERT_GT(stub.size(), 1000u) << "launcher stub not found: " << stubPath();

    ScratchDirectory dir;
    CraftedExecutable exe;
    exe.stub = stub;
    exe.config = "mainclass app.Main\r\nminjre 1.8\r\noption -Dembedded=1\r\n";
    exe.entries = {{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n\r\n"},
                   {"app/Main.class", std::string(4096, '\x5a')}};
    exe.zipComment = "packed for a test";
    std::string path = dir.writeExecutable(exe, "tool.exe");
    ASSERT_TRUE(writeBytes(dir.file("tool.cfg"),
                           "\xEF\xBB\xBFminjre 11\r\noption -Dexternal=1\r\nmainclass evil.Main"));

    ConfigStore store(false);
    store.loadFrom(path.c_str());
    EXPECT_EQ(str(store.mainClass()), "app.Main");
    EXPECT_EQ(str(store.minJre()), "11");
    StringList options;
    store.collectOptions(options);
    ASSERT_EQ(options.count(), 2);
    // The external file's options come last, so that they win.
    EXPECT_STREQ(options.stringAt(0), "-Dembedded=1");
    EXPECT_STREQ(options.stringAt(1), "-Dexternal=1");
    EXPECT_EQ(str(store.exePath()), path);
    EXPECT_EQ(str(store.exeDirectory()), dir.path());

    // The stub alone carries no configuration.
    std::string bare = dir.file("bare.exe");
    ASSERT_TRUE(writeBytes(bare, stub));
    store.loadFrom(bare.c_str());
    EXPECT_EQ(str(store), "");
}

TEST(PackedStub, LoadingTheRunningExecutableRecordsItsPaths) {
    ConfigStore store(true);
    TextString self = platform::executablePath();
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(str(store.exePath()), str(self));
    EXPECT_EQ(str(store.exeDirectory()), str(directoryOf(self)));
    EXPECT_EQ(str(store.mainClass()), "");
    TextString cwd = store.currentDirectory();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(str(cwd), str(currentDirectoryWithSeparator()));
}

}  // namespace
