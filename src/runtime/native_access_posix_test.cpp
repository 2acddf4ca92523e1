// When the runtime is handed native access for the class path: by the runtime's declared
// release, and never over configured options that decide it.
#include "runtime/native_access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch_tree.h"

namespace {

std::vector<std::string> options(const std::string& library,
                                 const std::vector<std::string>& vmOptions = {}) {
    StringList given;
    for (const std::string& o : vmOptions) {
        given.addString(o.c_str());
    }
    StringList list = nativeAccessOptions(library.c_str(), given);
    std::vector<std::string> result;
    for (int32_t i = 0; i < list.count(); ++i) {
        result.push_back(list.stringAt(i));
    }
    return result;
}

class NativeAccessOptions : public ::testing::Test {
  protected:
    std::string runtime(const std::string& version) {
        tree.file(version + "/release", "JAVA_VERSION=\"" + version + "\"\n");
        return tree.file(version + "/lib/server/libjvm.so");
    }
    ScratchTree tree;
};

const std::vector<std::string> kGranted = {"--enable-native-access=ALL-UNNAMED"};

TEST_F(NativeAccessOptions, RuntimeReleaseDecides) {
    struct Case {
        const char* version;
        bool granted;
    } cases[] = {
        {"1.8.0_402", false}, {"17.0.15", false}, {"21.0.4", false}, {"23.0.2", false},
        {"24", true},         {"24.0.1", true},   {"25.0.3", true},  {"26-ea", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(options(runtime(c.version)), c.granted ? kGranted : std::vector<std::string>())
            << c.version;
    }
    EXPECT_TRUE(options(tree.file("unversioned/lib/server/libjvm.so")).empty());
}

TEST_F(NativeAccessOptions, ConfiguredChoiceIsLeftAlone) {
    std::string later = runtime("25.0.3");
    for (const char* own : {"--enable-native-access=ALL-UNNAMED", "--enable-native-access=app",
                            "--enable-native-access"}) {
        EXPECT_TRUE(options(later, {"-Xmx64m", own}).empty()) << own;
    }
    // Options that only begin alike decide nothing about it.
    EXPECT_EQ(
        options(later, {"-Xmx64m", "--enable-native-accessible=x", "--illegal-native-access=warn"}),
        kGranted);
}

}  // namespace
