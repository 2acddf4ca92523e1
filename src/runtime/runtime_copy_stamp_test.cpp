// The stamp of an unpacked runtime copy: it matches the files it was taken from, and each kind
// of change it is meant to catch makes it fail, naming the file.
#include "runtime/runtime_copy_stamp.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "support/scratch_tree.h"

namespace {

StringList pathsOf(std::initializer_list<const char*> paths) {
    StringList list;
    for (const char* path : paths) {
        list.addString(path);
    }
    return list;
}

TEST(RuntimeCopyStamp, MatchesTheFilesItWasTakenFrom) {
    ScratchTree tree;
    tree.file("copy/bin/java", "launcher");
    tree.file("copy/lib/server/libjvm.so", std::string(5000, 'j'));
    StringList paths = pathsOf({"bin/java", "lib/server/libjvm.so"});
    TextString stamp;
    ASSERT_TRUE(makeRuntimeCopyStamp(tree.path("copy").c_str(), paths, stamp));
    EXPECT_EQ(std::string(stamp.c_str()).rfind("wyn-runtime-stamp 1\n8 ", 0), 0u);
    EXPECT_NE(std::string(stamp.c_str()).find(" lib/server/libjvm.so\n"), std::string::npos);
    TextString why;
    EXPECT_TRUE(runtimeCopyMatchesStamp(tree.path("copy").c_str(), paths, stamp, why))
        << why.c_str();
}

TEST(RuntimeCopyStamp, ACopyWithAMissingFileHasNoStamp) {
    ScratchTree tree;
    tree.file("copy/bin/java", "launcher");
    TextString stamp;
    EXPECT_FALSE(
        makeRuntimeCopyStamp(tree.path("copy").c_str(), pathsOf({"bin/java", "lib/x"}), stamp));
}

TEST(RuntimeCopyStamp, ChangesAreCaughtAndNamed) {
    struct Case {
        const char* name;
        void (*change)(ScratchTree& tree, StringList& paths, TextString& stamp);
        const char* named;
    };
    const Case cases[] = {
        {"a file of another size",
         [](ScratchTree& tree, StringList&, TextString&) {
             tree.remove("copy/lib/x");
             tree.file("copy/lib/x", "longer content");
         },
         "lib/x changed"},
        {"a missing file",
         [](ScratchTree& tree, StringList&, TextString&) { tree.remove("copy/lib/x"); },
         "lib/x is missing"},
        {"a stamp made by something else",
         [](ScratchTree&, StringList&, TextString& stamp) { stamp = TextString("garbage\n"); },
         "not one this launcher wrote"},
        {"a stamp of other files",
         [](ScratchTree&, StringList& paths, TextString&) { paths.removeLast(); }, "other files"},
    };
    for (const Case& c : cases) {
        ScratchTree tree;
        tree.file("copy/bin/java", "launcher");
        tree.file("copy/lib/x", "content");
        StringList paths = pathsOf({"bin/java", "lib/x"});
        TextString stamp;
        ASSERT_TRUE(makeRuntimeCopyStamp(tree.path("copy").c_str(), paths, stamp));
        c.change(tree, paths, stamp);
        TextString why;
        EXPECT_FALSE(runtimeCopyMatchesStamp(tree.path("copy").c_str(), paths, stamp, why))
            << c.name;
        EXPECT_NE(std::string(why.c_str()).find(c.named), std::string::npos)
            << c.name << ": " << why.c_str();
    }
}

}  // namespace
