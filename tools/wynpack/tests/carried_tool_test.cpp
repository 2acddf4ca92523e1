// The packer of dist/bin, which carries the stubs and the support jar inside itself: a copy
// alone in an empty directory packs for every target, a damaged carried block is refused, and
// --stub and --support-jar win over what it carries.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

using namespace wynpack_test;
using Names = std::vector<std::string>;

const std::string kCarryingTool = WYNPACK_CARRYING_TOOL;
const std::string kBuildStub = WYNPACK_BUILD_STUB;
const std::string kJava = WYNPACK_JDK "/bin/java";
const std::string kHelloJar = WYNPACK_HELLO_JAR;
const std::string kGreetingJar = WYNPACK_GREETING_JAR;

// The machine a PE file is built for; 0 for a file that is no PE file.
uint32_t peMachine(const std::string& file) {
    auto le = [&](size_t at, int size) {
        uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) {
            value = value << 8 | static_cast<unsigned char>(file[at + static_cast<size_t>(i)]);
        }
        return value;
    };
    if (file.size() < 64 || file.compare(0, 2, "MZ") != 0) {
        return 0;
    }
    size_t pe = le(0x3C, 4);
    if (pe + 6 > file.size() || file.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
        return 0;
    }
    return le(pe + 4, 2);
}

// The packer copied alone into a fresh directory, as `cp dist/bin/wynpack ~/bin/` does.
class LoneCopy : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFile(tool(), readFile(kCarryingTool));
        chmod(tool().c_str(), 0755);
        writeFile(work_.file("app.cfg"), "mainclass com.example.packed.Hello\n");
    }
    std::string tool() const { return home_.file("wynpack"); }

    ProcessResult pack(const std::string& target, const std::string& output, Names more = {}) {
        Names argv{tool(),  "--target", target,  "--config",   work_.file("app.cfg"),
                   "--jar", kHelloJar,  "--jar", kGreetingJar, "--output",
                   output};
        argv.insert(argv.end(), more.begin(), more.end());
        return runProcess(argv);
    }

    // Flips one byte inside the last carried file (the support jar), before the index.
    void damageCarriedBlock() {
        std::string bytes = readFile(tool());
        size_t trailer = bytes.size() - 24;
        size_t indexLength = static_cast<unsigned char>(bytes[trailer + 8]) |
                             static_cast<unsigned char>(bytes[trailer + 9]) << 8 |
                             static_cast<unsigned char>(bytes[trailer + 10]) << 16;
        size_t at = trailer - indexLength - 100;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
        writeFile(tool(), bytes);
    }

    std::string listing(const std::string& packed) {
        return runProcess({"/usr/bin/unzip", "-l", packed}).out;
    }

    TempDir home_;
    TempDir work_;
};

TEST_F(LoneCopy, PacksForEveryTarget) {
    struct Case {
        std::string target;
        uint32_t machine;  // the PE header's machine; 0 for the ELF stub
    } cases[] = {{"linux-x86_64", 0}, {"windows-x86_64", 0x8664}, {"windows-x86", 0x14C}};
    for (const Case& c : cases) {
        std::string output = work_.file("app-" + c.target);
        ProcessResult run = pack(c.target, output);
        ASSERT_EQ(run.exitStatus, 0) << c.target << ": " << run.err;
        EXPECT_EQ(run.err, "") << c.target;
        EXPECT_EQ(peMachine(readFile(output)), c.machine) << c.target;
        // The carried support jar is merged: its classes are in the archive.
        EXPECT_NE(listing(output).find("com/tarnwick/wyn/"), std::string::npos) << c.target;
        // The archive is a class path entry whatever the stub in front.
        ProcessResult java = runProcess({kJava, "-cp", output, "com.example.packed.Hello"});
        EXPECT_EQ(java.out, "greeting from the second jar\nno message\n") << c.target;
    }
    EXPECT_EQ(readFile(work_.file("app-linux-x86_64"))
                  .compare(0, readFile(kBuildStub).size(), readFile(kBuildStub)),
              0)
        << "the Linux output starts with the carried Linux stub";
    EXPECT_EQ(home_.names(), (Names{"wynpack"}));
}

TEST_F(LoneCopy, ADamagedBlockIsRefused) {
    damageCarriedBlock();
    for (std::string target : {"linux-x86_64", "windows-x86"}) {
        ProcessResult run = pack(target, work_.file("app"));
        EXPECT_EQ(run.exitStatus, 2) << target;
        EXPECT_EQ(run.err, "wynpack: the stubs and support jar carried inside '" + tool() +
                               "' are damaged: lib/wyn-support.jar fails its checksum; copy "
                               "wynpack again, or name the files with --stub and --support-jar\n")
            << target;
        EXPECT_FALSE(fileExists(work_.file("app")));
    }
}

TEST_F(LoneCopy, StubAndSupportJarOptionsWin) {
    writeZip(work_.file("other-support.jar"), {{"org/example/OtherSupport.class", "marker"}});
    std::string otherStub = readFile(kBuildStub) + "and a few more bytes";
    writeFile(work_.file("other-stub"), otherStub);
    for (bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "damaged block" : "intact block");
        if (damaged) {
            damageCarriedBlock();
        }
        std::string output = work_.file("app");
        Names argv{tool(),
                   "--stub",
                   work_.file("other-stub"),
                   "--support-jar",
                   work_.file("other-support.jar"),
                   "--config",
                   work_.file("app.cfg"),
                   "--jar",
                   kHelloJar,
                   "--jar",
                   kGreetingJar,
                   "--output",
                   output};
        ProcessResult run = runProcess(argv);
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_EQ(readFile(output).compare(0, otherStub.size(), otherStub), 0);
        std::string entries = listing(output);
        EXPECT_NE(entries.find("org/example/OtherSupport.class"), std::string::npos) << entries;
        EXPECT_EQ(entries.find("com/tarnwick/wyn/"), std::string::npos) << entries;

        // Only the support jar named: the stub still comes from the carried block when intact.
        ProcessResult jarOnly =
            pack("linux-x86_64", output, {"--support-jar", work_.file("other-support.jar")});
        if (damaged) {
            EXPECT_EQ(jarOnly.exitStatus, 2) << jarOnly.err;
        } else {
            ASSERT_EQ(jarOnly.exitStatus, 0) << jarOnly.err;
            EXPECT_EQ(listing(output).find("com/tarnwick/wyn/"), std::string::npos);
        }
        // --no-support with --stub needs nothing carried.
        ProcessResult bare = runProcess({tool(), "--stub", work_.file("other-stub"), "--no-support",
                                         "--config", work_.file("app.cfg"), "--jar", kHelloJar,
                                         "--jar", kGreetingJar, "--output", output});
        EXPECT_EQ(bare.exitStatus, 0) << bare.err;
    }
}

}  // namespace
