// A Java runtime carried inside the executable, as a user packs one: the built tool packs a
// runtime image (--runtime) or one that jlink makes (--jlink), and the packed file is read
// back entry by entry against the index, the source files and the launcher's own parser.
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "format/runtime_index.h"
#include "format/sha256.h"
#include "test_files.h"

namespace {

using namespace wynpack_test;
using namespace std::string_literals;
using Names = std::vector<std::string>;

const std::string kTool = WYNPACK_TOOL;
const std::string kBuildStub = WYNPACK_BUILD_STUB;
const std::string kJdk = WYNPACK_JDK;
const std::string kHelloJar = WYNPACK_HELLO_JAR;
const std::string kGreetingJar = WYNPACK_GREETING_JAR;
const std::string kSqlJar = WYNPACK_SQLUSER_JAR;
const std::string kCapability(kEmbeddedRuntimeCapability, sizeof kEmbeddedRuntimeCapability);

ProcessResult runWith(const Names& args, const std::function<void()>& prepare = nullptr) {
    Names argv = {kTool};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, prepare);
}

std::string hexDigest(const std::string& bytes) {
    Sha256 hash;
    hash.update(bytes.data(), static_cast<int64_t>(bytes.size()));
    unsigned char digest[32];
    hash.finish(digest);
    char hex[65];
    sha256Hex(digest, hex);
    return hex;
}

// A stub that can read a carried runtime: the built stub, with the capability text added
// behind its end when the build's stub does not carry it yet.
std::string capableStub(const TempDir& dir) {
    std::string stub = readFile(kBuildStub);
    if (stub.find(kCapability) == std::string::npos) {
        stub += kCapability;
    }
    std::string path = dir.file("capable-stub");
    writeFile(path, stub);
    return path;
}

// The built stub with every copy of the capability text overwritten: a stub of an older
// release.
std::string oldStub(const TempDir& dir) {
    std::string stub = readFile(kBuildStub);
    for (size_t at = stub.find(kCapability); at != std::string::npos;
         at = stub.find(kCapability, at)) {
        stub.replace(at, kCapability.size(), std::string(kCapability.size(), 'x'));
    }
    std::string path = dir.file("old-stub");
    writeFile(path, stub);
    return path;
}

// The first bytes of a Windows executable for the machine, with the capability text: enough
// for every check the packer makes before it changes a Windows stub.
std::string windowsStubHeader(uint16_t machine) {
    std::string header(0x200, '\0');
    header.replace(0, 2, "MZ");
    header[0x3c] = '\x80';
    header.replace(0x80, 4, "PE\0\0"s);
    header[0x84] = static_cast<char>(machine & 0xff);
    header[0x85] = static_cast<char>(machine >> 8);
    return header + kCapability;
}

uint32_t readLittleEndian(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    }
    return value;
}

// Where the archive behind the stub starts, from its end of central directory record.
int64_t archiveStart(const std::string& path) {
    std::string file = readFile(path);
    size_t end = file.rfind("PK\x05\x06"s);
    if (end == std::string::npos || end + 22 > file.size()) {
        return -1;
    }
    int64_t size = readLittleEndian(file, end + 16, 4) + readLittleEndian(file, end + 12, 4) + 22 +
                   readLittleEndian(file, end + 20, 2);
    return static_cast<int64_t>(file.size()) - size;
}

struct CarriedEntry {
    std::string content;
    int32_t method = -1;
    uint8_t system = 0;
    uint32_t attributes = 0;
};

// Every entry of the packed file's archive by name, with its external attributes.
bool readCarriedEntries(const std::string& path, std::map<std::string, CarriedEntry>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_file_create(
        path.c_str(), static_cast<zip_uint64_t>(archiveStart(path)), -1, &error);
    zip_t* archive =
        source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    zip_error_fini(&error);
    if (archive == nullptr) {
        ADD_FAILURE() << "cannot open the archive of " << path;
        return false;
    }
    zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, i, 0, &st);
        CarriedEntry entry;
        entry.method = st.comp_method;
        zip_file_get_external_attributes(archive, i, 0, &entry.system, &entry.attributes);
        zip_file_t* file = zip_fopen_index(archive, i, 0);
        entry.content.resize(st.size);
        bool read = file != nullptr && zip_fread(file, entry.content.data(), st.size) ==
                                           static_cast<zip_int64_t>(st.size);
        if (file != nullptr) {
            zip_fclose(file);
        }
        if (!read) {
            ADD_FAILURE() << "cannot read " << st.name;
            zip_discard(archive);
            return false;
        }
        entries[st.name] = std::move(entry);
    }
    zip_discard(archive);
    return true;
}

// Reads the carried runtime of a packed file: the index through the launcher's parser, then
// every file entry against its index line. source, when given, is the image the files came
// from (symbolic links followed).
::testing::AssertionResult checkCarriedRuntime(const std::string& packed, RuntimeIndex& index,
                                               const std::string& source = "") {
    std::map<std::string, CarriedEntry> entries;
    if (!readCarriedEntries(packed, entries)) {
        return ::testing::AssertionFailure() << "unreadable archive";
    }
    auto indexEntry = entries.find(kRuntimeIndexEntry);
    if (indexEntry == entries.end()) {
        return ::testing::AssertionFailure() << "no index entry";
    }
    const std::string& text = indexEntry->second.content;
    TextString problem;
    if (!parseRuntimeIndex(TextView(text.data(), static_cast<int32_t>(text.size())), index,
                           problem)) {
        return ::testing::AssertionFailure()
               << "the launcher refuses the index: " << problem.c_str();
    }
    if (indexEntry->second.method != ZIP_CM_DEFLATE) {
        return ::testing::AssertionFailure() << "the index is not deflated";
    }
    size_t carried = 0;
    for (const auto& [name, entry] : entries) {
        carried += name.rfind(kRuntimeEntryPrefix, 0) == 0 ? 1 : 0;
    }
    if (carried != index.files.size()) {
        return ::testing::AssertionFailure()
               << carried << " runtime entries, but the index lists " << index.files.size();
    }
    for (const RuntimeFile& file : index.files) {
        std::string path(file.path.c_str(), static_cast<size_t>(file.path.length()));
        auto found = entries.find(kRuntimeEntryPrefix + path);
        if (found == entries.end()) {
            return ::testing::AssertionFailure() << "no entry for " << path;
        }
        const CarriedEntry& entry = found->second;
        char digest[65];
        sha256Hex(file.sha256, digest);
        if (hexDigest(entry.content) != digest ||
            static_cast<int64_t>(entry.content.size()) != file.size) {
            return ::testing::AssertionFailure() << path << ": content does not match the index";
        }
        if (entry.method != ZIP_CM_DEFLATE || entry.system != ZIP_OPSYS_UNIX ||
            entry.attributes >> 16 != (S_IFREG | static_cast<uint32_t>(file.mode))) {
            return ::testing::AssertionFailure()
                   << path << ": method " << entry.method << ", system " << int(entry.system)
                   << ", attributes " << std::oct << (entry.attributes >> 16) << " for mode "
                   << file.mode;
        }
        if (!source.empty()) {
            struct stat st;
            std::string original = source + "/" + path;
            if (stat(original.c_str(), &st) != 0 || readFile(original) != entry.content ||
                static_cast<int32_t>(st.st_mode & 07777) != file.mode) {
                return ::testing::AssertionFailure() << path << ": differs from " << original;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

std::string indexPath(const RuntimeFile& file) {
    return std::string(file.path.c_str(), static_cast<size_t>(file.path.length()));
}

bool lists(const RuntimeIndex& index, const std::string& path) {
    for (const RuntimeFile& file : index.files) {
        if (indexPath(file) == path) {
            return true;
        }
    }
    return false;
}

void makeDirectories(const std::string& path) {
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        mkdir(path.substr(0, at).c_str(), 0755);
    }
    mkdir(path.c_str(), 0755);
}

void writeFileWithMode(const std::string& path, const std::string& bytes, mode_t mode) {
    makeDirectories(path.substr(0, path.rfind('/')));
    writeFile(path, bytes);
    chmod(path.c_str(), mode);
}

// A small Linux runtime image: a release file and a real x86-64 ELF file as its JVM library.
void makeLinuxImage(const std::string& root) {
    writeFileWithMode(root + "/release", "JAVA_VERSION=\"17.0.42\"\nMODULES=\"java.base\"\n", 0644);
    writeFileWithMode(root + "/lib/server/libjvm.so", readFile(kBuildStub), 0755);
}

class CarriedRuntime : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFile(work_.file("settings.cfg"), "mainclass com.example.packed.Hello\n");
    }
    Names packArgs(const std::string& stub, Names more) const {
        Names args = {
            "--stub", stub,         "--config", work_.file("settings.cfg"), "--jar", kHelloJar,
            "--jar",  kGreetingJar, "--output", work_.file("app")};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
    // Nothing but the given names is left in the work directory.
    void expectOnly(const Names& names) const { EXPECT_EQ(work_.names(), names); }

    TempDir work_;
};

TEST_F(CarriedRuntime, EveryFileIsADeflatedEntryThatMatchesTheIndex) {
    std::string image = work_.file("image");
    makeLinuxImage(image);
    writeFileWithMode(image + "/bin/java", "#!/bin/sh\necho launcher\n", 0755);
    writeFileWithMode(image + "/conf/security/java.security", std::string(5000, 's'), 0644);
    writeFileWithMode(image + "/lib/private.key", "secret", 0600);
    writeFileWithMode(image + "/lib/empty", "", 0444);
    writeFileWithMode(image + "/lib/caf\xc3\xa9 menu.txt", "\xc3\xa9", 0644);
    writeFileWithMode(image + "/lib/setuid-tool", "tool", 04755);
    makeDirectories(image + "/legal/java.base");
    ASSERT_EQ(
        symlink("../../conf/security/java.security", (image + "/legal/java.base/LICENSE").c_str()),
        0);
    makeDirectories(image + "/unused/empty-directory");
    std::string stub = capableStub(work_);

    ProcessResult run = runWith(packArgs(stub, {"--runtime", image}));
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("carrying a linux-x86_64 runtime (release 17.0.42, 9 files)"),
              std::string::npos)
        << run.out;
    RuntimeIndex index;
    ASSERT_TRUE(checkCarriedRuntime(work_.file("app"), index, image));
    EXPECT_EQ(std::string(index.platform.c_str()), "linux-x86_64");
    EXPECT_EQ(std::string(index.release.c_str()), "17.0.42");
    Names paths;
    for (const RuntimeFile& file : index.files) {
        paths.push_back(indexPath(file));
    }
    EXPECT_EQ(paths, (Names{"bin/java", "conf/security/java.security", "legal/java.base/LICENSE",
                            "lib/caf\xc3\xa9 menu.txt", "lib/empty", "lib/private.key",
                            "lib/server/libjvm.so", "lib/setuid-tool", "release"}));

    // Still one jar for the Java runtime, whose class path it is.
    ProcessResult java =
        runProcess({kJdk + "/bin/java", "-cp", work_.file("app"), "com.example.packed.Hello"});
    EXPECT_EQ(java.exitStatus, 0) << java.err;
    EXPECT_EQ(java.out.rfind("greeting from the second jar\n", 0), 0u) << java.out;
    expectOnly({"app", "capable-stub", "image", "settings.cfg"});
}

TEST_F(CarriedRuntime, AJarsEntriesUnderTheRuntimesNamesAreReplaced) {
    std::string image = work_.file("image");
    makeLinuxImage(image);
    writeZip(work_.file("stale.jar"), {{"META-INF/wyn/runtime.index", "wyn-runtime 1\nstale\n"},
                                       {"META-INF/wyn/runtime/release", "stale"},
                                       {"META-INF/wyn/runtime/lib/old.so", "stale"}});
    ProcessResult run = runWith(
        packArgs(capableStub(work_), {"--jar", work_.file("stale.jar"), "--runtime", image}));
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("left out 3 entries of the jars under META-INF/wyn/runtime/"),
              std::string::npos)
        << run.err;
    RuntimeIndex index;
    ASSERT_TRUE(checkCarriedRuntime(work_.file("app"), index, image));
    EXPECT_EQ(index.files.size(), 2u);
    EXPECT_FALSE(lists(index, "lib/old.so"));
    // The summary counts the entries written, not those left out.
    std::map<std::string, CarriedEntry> entries;
    ASSERT_TRUE(readCarriedEntries(work_.file("app"), entries));
    EXPECT_NE(run.out.find(" " + std::to_string(entries.size()) + " entries"), std::string::npos)
        << run.out << entries.size();
}

TEST_F(CarriedRuntime, ImagesThatCannotBeCarriedAreRefused) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        std::string message;
    } cases[] = {
        {"no directory", [](const std::string&) {}, "is not a directory"},
        {"no release file",
         [](const std::string& root) {
             writeFileWithMode(root + "/lib/server/libjvm.so", readFile(kBuildStub), 0755);
         },
         "is not a Java runtime image: it has no release file"},
        {"no JVM library",
         [](const std::string& root) {
             writeFileWithMode(root + "/release", "JAVA_VERSION=\"17\"\n", 0644);
         },
         "it has none of lib/server/libjvm.so, lib/client/libjvm.so, bin/server/jvm.dll"},
        {"a Windows runtime",
         [](const std::string& root) {
             writeFileWithMode(root + "/release", "JAVA_VERSION=\"17\"\n", 0644);
             writeFileWithMode(root + "/bin/server/jvm.dll", windowsStubHeader(0x8664), 0644);
         },
         "is for windows-x86_64 (its bin/server/jvm.dll), but the target is linux-x86_64"},
        {"a 32-bit Linux runtime",
         [](const std::string& root) {
             writeFileWithMode(root + "/release", "JAVA_VERSION=\"17\"\n", 0644);
             std::string elf = readFile(kBuildStub).substr(0, 64);
             elf[4] = 1;
             elf[18] = 3;
             elf[19] = 0;
             writeFileWithMode(root + "/lib/client/libjvm.so", elf, 0755);
         },
         "is for linux-x86 (its lib/client/libjvm.so), but the target is linux-x86_64"},
        {"a symbolic link loop",
         [](const std::string& root) {
             makeLinuxImage(root);
             symlink("..", (root + "/lib/up").c_str());
         },
         "leads back into a directory above it"},
        {"a link to nothing",
         [](const std::string& root) {
             makeLinuxImage(root);
             symlink("missing", (root + "/lib/gone").c_str());
         },
         "the symbolic link 'lib/gone' leads to nothing that can be read"},
        {"a pipe",
         [](const std::string& root) {
             makeLinuxImage(root);
             mkfifo((root + "/lib/pipe").c_str(), 0644);
         },
         "'lib/pipe' is neither a file nor a directory"},
        {"a device name",
         [](const std::string& root) {
             makeLinuxImage(root);
             writeFileWithMode(root + "/lib/aux.h", "x", 0644);
         },
         "the name 'lib/aux.h' cannot be extracted safely on every system"},
        {"a colon",
         [](const std::string& root) {
             makeLinuxImage(root);
             writeFileWithMode(root + "/lib/a:b", "x", 0644);
         },
         "the name 'lib/a:b' cannot be extracted safely"},
        {"a backslash",
         [](const std::string& root) {
             makeLinuxImage(root);
             writeFileWithMode(root + "/lib/..\\..\\evil", "x", 0644);
         },
         "cannot be extracted safely"},
        {"a name ending in a dot",
         [](const std::string& root) {
             makeLinuxImage(root);
             writeFileWithMode(root + "/lib/trailing.", "x", 0644);
         },
         "the name 'lib/trailing.' cannot be extracted safely"},
        {"not UTF-8",
         [](const std::string& root) {
             makeLinuxImage(root);
             writeFileWithMode(root + "/lib/caf\xe9", "x", 0644);
         },
         "cannot be extracted safely"},
        {"names that differ only in case",
         [](const std::string& root) {
             makeLinuxImage(root);
             writeFileWithMode(root + "/lib/Readme", "x", 0644);
             writeFileWithMode(root + "/lib/README", "y", 0644);
         },
         "the launcher would refuse its index (two files differ only in case: lib/readme)"},
        {"a file that is another's directory in another case",
         [](const std::string& root) {
             makeLinuxImage(root);
             writeFileWithMode(root + "/lib/x", "x", 0644);
             writeFileWithMode(root + "/lib/X/y", "y", 0644);
         },
         "a file is also a directory of another: lib/x"},
    };
    std::string stub = capableStub(work_);
    for (const Case& c : cases) {
        TempDir images;
        std::string image = images.file("image");
        c.make(image);
        ProcessResult run = runWith(packArgs(stub, {"--runtime", image}));
        EXPECT_EQ(run.exitStatus, 2) << c.what;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.what << ": " << run.err;
        expectOnly({"capable-stub", "settings.cfg"});
    }
}

TEST_F(CarriedRuntime, AStubTooOldToCarryARuntimeIsRefused) {
    std::string image = work_.file("image");
    makeLinuxImage(image);
    std::string stub = oldStub(work_);
    for (const Names& runtime : {Names{"--runtime", image}, Names{"--jlink", "--jdk", kJdk}}) {
        ProcessResult run = runWith(packArgs(stub, runtime));
        EXPECT_EQ(run.exitStatus, 2) << runtime[0];
        EXPECT_EQ(run.err.rfind(
                      "wynpack: this stub is too old to carry a Java runtime: '" + stub + "'", 0),
                  0u)
            << run.err;
        expectOnly({"image", "old-stub", "settings.cfg"});
    }
    // Without a runtime the same stub packs as before.
    ProcessResult run = runWith(packArgs(stub, {}));
    EXPECT_EQ(run.exitStatus, 0) << run.err;
}

TEST_F(CarriedRuntime, AWindowsTargetRefusesALinuxRuntimeAndJdk) {
    std::string stub = work_.file("windows-stub.exe");
    writeFile(stub, windowsStubHeader(0x8664));
    std::string windowsJdk = work_.file("windows-jdk");
    writeFileWithMode(windowsJdk + "/release", "JAVA_VERSION=\"17.0.9\"\n", 0644);
    writeFileWithMode(windowsJdk + "/bin/server/jvm.dll", windowsStubHeader(0x8664), 0644);
    std::string temurin25 = "/usr/lib/jvm/temurin-25-jdk-amd64";
    struct Case {
        Names runtime;
        std::string message;
    } cases[] = {
        {{"--runtime", kJdk},
         "runtime '" + kJdk +
             "' is for linux-x86_64 (its lib/server/libjvm.so), but the target is "
             "windows-x86_64"},
        {{"--jlink", "--jdk", kJdk},
         "the JDK '" + kJdk + "' (--jdk) is for linux-x86_64, but the target is windows-x86_64"},
        {{"--jlink", "--jdk", windowsJdk},
         "has no jmods/: a JDK of release 24 or later without them can link only an image for "
         "its own platform"},
    };
    for (const Case& c : cases) {
        ProcessResult run = runWith(packArgs(stub, c.runtime));
        EXPECT_EQ(run.exitStatus, 2) << c.runtime[1];
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    if (access((temurin25 + "/release").c_str(), R_OK) == 0 &&
        access((temurin25 + "/jmods").c_str(), F_OK) != 0) {
        ProcessResult run = runWith(packArgs(stub, {"--jlink", "--jdk", temurin25}));
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_NE(run.err.find("this JDK has no jmods/: a JDK of release 24 or later without them "
                               "can link only an image for its own platform"),
                  std::string::npos)
            << run.err;
    }
    expectOnly({"settings.cfg", "windows-jdk", "windows-stub.exe"});
}

TEST_F(CarriedRuntime, JlinkWithoutAJdkSaysWhereItLooked) {
    ProcessResult run = runWith(packArgs(capableStub(work_), {"--jlink"}), [] {
        unsetenv("JAVA_HOME");
        setenv("PATH", "/nonexistent", 1);
    });
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_NE(run.err.find("--jlink needs a JDK: give --jdk DIR, set JAVA_HOME, or put a JDK's "
                           "java on PATH"),
              std::string::npos)
        << run.err;
}

// jdeps finds java.sql in the application's jar and java.desktop in the support classes;
// jlink links just those (with what they require) and a CDS archive, and the carried runtime,
// once extracted, runs the application.
TEST_F(CarriedRuntime, JlinkLinksTheModulesJdepsFinds) {
    writeFile(work_.file("sql.cfg"), "mainclass com.example.sqluser.UsesSql\n");
    ProcessResult run = runWith({"--stub", capableStub(work_), "--config", work_.file("sql.cfg"),
                                 "--jar", kSqlJar, "--jlink", "--output", work_.file("app")},
                                [] { setenv("JAVA_HOME", WYNPACK_JDK, 1); });
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("jdeps: the application uses the modules java.base,java.desktop,"
                           "java.sql\n"),
              std::string::npos)
        << run.err;
    RuntimeIndex index;
    ASSERT_TRUE(checkCarriedRuntime(work_.file("app"), index));
    EXPECT_TRUE(lists(index, "lib/server/libjvm.so"));
    EXPECT_TRUE(lists(index, "lib/server/classes.jsa")) << "no CDS archive";
    EXPECT_TRUE(lists(index, "lib/libawt.so")) << "java.desktop is missing";
    EXPECT_FALSE(lists(index, "lib/libj2gss.so")) << "a module nobody uses is linked";
    EXPECT_FALSE(lists(index, "jmods/java.base.jmod"));

    // Extracted the way the launcher extracts it, the runtime runs the packed application.
    std::map<std::string, CarriedEntry> entries;
    ASSERT_TRUE(readCarriedEntries(work_.file("app"), entries));
    std::string root = work_.file("extracted");
    for (const RuntimeFile& file : index.files) {
        const CarriedEntry& entry = entries[kRuntimeEntryPrefix + indexPath(file)];
        writeFileWithMode(root + "/" + indexPath(file), entry.content,
                          static_cast<mode_t>(file.mode));
    }
    std::string modules = readFile(root + "/release");
    EXPECT_NE(modules.find("java.sql"), std::string::npos) << modules;
    EXPECT_EQ(modules.find("java.net.http"), std::string::npos) << modules;
    ProcessResult java = runProcess({root + "/bin/java", "-Xshare:on", "-cp", work_.file("app"),
                                     "com.example.sqluser.UsesSql"});
    EXPECT_EQ(java.exitStatus, 0) << java.err;
    EXPECT_EQ(java.out, "login timeout 7 on " + root + "\n");
    // The linked image was made in a temporary directory beside the output and removed.
    expectOnly({"app", "capable-stub", "extracted", "settings.cfg", "sql.cfg"});
}

}  // namespace
