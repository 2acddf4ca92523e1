// The packer as a user runs it: the built tool packs real files, and the packed executable is
// read back with libzip, unzip and the JDK itself.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "config/config_store.h"
#include "test_files.h"

namespace {

using namespace wynpack_test;
using namespace std::string_literals;
using Names = std::vector<std::string>;

const std::string kTool = WYNPACK_TOOL;
const std::string kBuildStub = WYNPACK_BUILD_STUB;
const std::string kBuildSupportJar = WYNPACK_BUILD_SUPPORT_JAR;
const std::string kJava = WYNPACK_JDK "/bin/java";
const std::string kJdkBin = WYNPACK_JDK "/bin/";
const std::string kHelloJar = WYNPACK_HELLO_JAR;
const std::string kGreetingJar = WYNPACK_GREETING_JAR;
const std::string kMainClass = "com.example.packed.Hello";

uint32_t readLittleEndian(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    }
    return value;
}

// Where the archive starts, found the way the launcher finds it: from the end of central
// directory record, whose directory offset and size give the archive's length.
int64_t archiveStartFromEnd(const std::string& file) {
    size_t end = file.rfind("PK\x05\x06"s);
    if (end == std::string::npos || end + 22 > file.size()) {
        return -1;
    }
    int64_t directorySize = readLittleEndian(file, end + 12, 4);
    int64_t directoryOffset = readLittleEndian(file, end + 16, 4);
    int64_t commentLength = readLittleEndian(file, end + 20, 2);
    int64_t archiveSize = directoryOffset + directorySize + 22 + commentLength;
    return static_cast<int64_t>(file.size()) - archiveSize;
}

// A packed executable taken apart at the stub's size.
struct Packed {
    std::string stub;
    std::string configText;  // between the byte order mark and the NUL
    uint32_t length = 0;     // the length field
    std::string reserved;    // the 16 bytes after it
    int64_t archiveStart = -1;
    std::vector<ZipEntryInfo> entries;
};

// Splits a packed file: the stub (stubSize bytes), the configuration block, the archive.
::testing::AssertionResult takeApart(const std::string& path, size_t stubSize, Packed& packed) {
    std::string file = readFile(path);
    if (file.size() < stubSize + 3 + 1 + 4 + 16) {
        return ::testing::AssertionFailure() << path << " is too short";
    }
    packed.stub = file.substr(0, stubSize);
    if (file.compare(stubSize, 3, "\xEF\xBB\xBF") != 0) {
        return ::testing::AssertionFailure() << "no UTF-8 mark after the stub";
    }
    size_t nul = file.find('\0', stubSize + 3);
    packed.configText = file.substr(stubSize + 3, nul - stubSize - 3);
    packed.length = readLittleEndian(file, nul + 1, 4);
    packed.reserved = file.substr(nul + 5, 16);
    packed.archiveStart = static_cast<int64_t>(nul + 21);
    if (archiveStartFromEnd(file) != packed.archiveStart) {
        return ::testing::AssertionFailure()
               << "the archive's own end record puts its start at " << archiveStartFromEnd(file)
               << ", the configuration block ends at " << packed.archiveStart;
    }
    if (!readZip(path, packed.archiveStart, packed.entries)) {
        return ::testing::AssertionFailure() << "libzip cannot read the archive";
    }
    return ::testing::AssertionSuccess();
}

const ZipEntryInfo* findEntry(const Packed& packed, const std::string& name) {
    for (const ZipEntryInfo& entry : packed.entries) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

void copyExecutable(const std::string& from, const std::string& to) {
    writeFile(to, readFile(from));
    chmod(to.c_str(), 0755);
}

// A private installation of the tool, laid out like dist/: bin/wynpack, lib/wyn-support.jar,
// stubs/<target>/<stub>. Tests choose what the tool finds beside itself.
class Installation {
  public:
    Installation() {
        // Open to every user: one test runs the tool as an unprivileged user.
        chmod(dir_.path().c_str(), 0755);
        mkdir(dir_.file("bin").c_str(), 0755);
        copyExecutable(kTool, tool());
    }
    std::string tool() const { return dir_.file("bin/wynpack"); }
    // A file as the tool names it: relative to its own directory.
    std::string besideTool(const std::string& path) const { return dir_.file("bin/../" + path); }
    void addStub(const std::string& target, const std::string& file, const std::string& bytes) {
        mkdir(dir_.file("stubs").c_str(), 0755);
        mkdir(dir_.file("stubs/" + target).c_str(), 0755);
        writeFile(dir_.file("stubs/" + target + "/" + file), bytes);
    }
    void setSupportJar(const std::vector<TestZipEntry>& entries) {
        mkdir(dir_.file("lib").c_str(), 0755);
        writeZip(dir_.file("lib/wyn-support.jar"), entries);
    }

  private:
    TempDir dir_;
};

ProcessResult runTool(const std::string& tool, const Names& args,
                      const std::function<void()>& prepare = nullptr) {
    Names argv{tool};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, prepare);
}

TEST(PackCommand, RoundTripWithTheBuiltStubAndSupportJar) {
    TempDir dir;
    const std::string config =
        "# the demo\r\nmainclass " + kMainClass + "\r\noption -Dtitle=Caf\xC3\xA9\r\n";
    writeFile(dir.file("settings.cfg"), config);
    std::string output = dir.file("app");
    ProcessResult run =
        runTool(kTool, {"--target", "linux-x86_64", "--config", dir.file("settings.cfg"), "--jar",
                        kHelloJar, "--jar", kGreetingJar, "--output", output});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind("wynpack: packed '" + output + "' for linux-x86_64: ", 0), 0u)
        << run.out;
    EXPECT_NE(run.out.find(" bytes, 2 jars, "), std::string::npos) << run.out;
    EXPECT_EQ(linesOf(run.out).size(), 1u);

    std::string stub = readFile(kBuildStub);
    ASSERT_FALSE(stub.empty());
    Packed packed;
    ASSERT_TRUE(takeApart(output, stub.size(), packed));
    EXPECT_TRUE(packed.stub == stub) << "the output starts with the stub's bytes";
    EXPECT_EQ(packed.configText, config);
    EXPECT_EQ(packed.length, 3 + config.size() + 1);
    EXPECT_EQ(packed.reserved, std::string(16, '\0'));

    // The application's classes, then whatever the support jar adds.
    std::vector<ZipEntryInfo> support;
    ASSERT_TRUE(readZip(kBuildSupportJar, 0, support));
    EXPECT_NE(findEntry(packed, "com/example/packed/Hello.class"), nullptr);
    EXPECT_NE(findEntry(packed, "com/example/packed/Greeting.class"), nullptr);
    for (const ZipEntryInfo& entry : support) {
        EXPECT_NE(findEntry(packed, entry.name), nullptr) << entry.name;
    }

    struct stat st;
    ASSERT_EQ(stat(output.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(dir.names(), (Names{"app", "settings.cfg"}));

    // unzip finds the archive behind the prefix (a warning about the prefix is exit status 1).
    ProcessResult unzip = runProcess({"/usr/bin/unzip", "-t", output});
    EXPECT_LE(unzip.exitStatus, 1) << unzip.out << unzip.err;
    EXPECT_NE(unzip.out.find("No errors detected"), std::string::npos) << unzip.out;
    EXPECT_NE(unzip.out.find("com/example/packed/Greeting.class"), std::string::npos);

    // The executable is a class path entry of its own.
    ProcessResult java = runProcess({kJava, "-cp", output, kMainClass});
    EXPECT_EQ(java.exitStatus, 0) << java.err;
    EXPECT_EQ(java.out, "greeting from the second jar\nno message\n");
}

TEST(PackCommand, EveryConfigurationEncodingIsEmbeddedAsUtf8) {
    const std::string utf8 = "mainclass a.Caf\xC3\xA9\r\noption -Dsign=\xE2\x82\xAC\r\n";
    const std::u16string units = u"mainclass a.Caf\u00E9\r\noption -Dsign=\u20AC\r\n";
    auto utf16 = [&](bool bigEndian) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t unit : units) {
            char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
            bytes += bigEndian ? high : low;
            bytes += bigEndian ? low : high;
        }
        return bytes;
    };
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"UTF-8 with mark", "\xEF\xBB\xBF" + utf8},
        {"UTF-8 without mark", utf8},
        {"UTF-16 little-endian", utf16(false)},
        {"UTF-16 big-endian", utf16(true)},
        {"ANSI", "mainclass a.Caf\xE9\r\noption -Dsign=\x80\r\n"},
    };
    TempDir dir;
    writeFile(dir.file("stub"), "STUB");
    writeZip(dir.file("app.jar"), {{"a/Caf\xC3\xA9.class", "x"}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(dir.file("app.cfg"), c.bytes);
        ProcessResult run =
            runTool(kTool, {"--stub", dir.file("stub"), "--config", dir.file("app.cfg"), "--jar",
                            dir.file("app.jar"), "--no-support", "--output", dir.file("out")});
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        Packed packed;
        ASSERT_TRUE(takeApart(dir.file("out"), 4, packed));
        EXPECT_EQ(packed.configText, utf8);
        EXPECT_EQ(packed.length, 3 + utf8.size() + 1);
        EXPECT_EQ(entryNames(packed.entries), (Names{"a/Caf\xC3\xA9.class"}));
    }
}

TEST(PackCommand, MergeOrderDuplicatesSignaturesAndSupportJarLast) {
    Installation installation;
    installation.addStub("windows-x86", "wyn.exe", "MZ fake x86 stub");
    installation.setSupportJar({{"META-INF/", ""},
                                {"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n\r\n"},
                                {"com/tarnwick/wyn/", ""},
                                {"com/tarnwick/wyn/Support.class", "support"},
                                {"shared.txt", "from the support jar"}});
    TempDir dir;
    std::string a = dir.file("a.jar"), b = dir.file("b.jar");
    writeZip(a, {{"META-INF/", ""},
                 {"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nCreated-By: a\r\n\r\n"},
                 {"com/", ""},
                 {"com/A.class", "A from a", true},
                 {"com/Main.class", javaClassFile("com/Main", true)},
                 {"shared.txt", "from a"}});
    writeZip(b, {{"META-INF/", ""},
                 {"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nCreated-By: b\r\n\r\n"},
                 {"META-INF/SIGNER.SF", "signature file"},
                 {"META-INF/SIGNER.RSA", "signature block"},
                 {"meta-inf/other.ec", "signature block"},
                 {"com/", ""},
                 {"com/A.class", "A from b", true},
                 {"com/B.class", "B from b", true}});
    writeFile(dir.file("settings.cfg"), "mainclass com.Main\n");
    auto pack = [&](bool support) {
        Names args{"--target", "windows-x86",
                   "--config", dir.file("settings.cfg"),
                   "--jar",    a,
                   "--jar",    b,
                   "--output", dir.file("app.exe")};
        if (!support) {
            args.push_back("--no-support");
        }
        return runTool(installation.tool(), args);
    };

    ProcessResult run = pack(true);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(linesOf(run.err), (Names{"wynpack: note: com/A.class in " + b +
                                           " is a duplicate, kept the first (from " + a + ")",
                                       "wynpack: note: shared.txt in " +
                                           installation.besideTool("lib/wyn-support.jar") +
                                           " is a duplicate, kept the first (from " + a + ")"}));
    Packed packed;
    ASSERT_TRUE(takeApart(dir.file("app.exe"), std::string("MZ fake x86 stub").size(), packed));
    EXPECT_EQ(packed.stub, "MZ fake x86 stub");
    EXPECT_EQ(entryNames(packed.entries),
              (Names{"META-INF/", "META-INF/MANIFEST.MF", "com/", "com/A.class", "com/Main.class",
                     "shared.txt", "com/B.class", "com/tarnwick/wyn/",
                     "com/tarnwick/wyn/Support.class"}));
    EXPECT_EQ(findEntry(packed, "META-INF/MANIFEST.MF")->content,
              "Manifest-Version: 1.0\r\nCreated-By: a\r\n\r\n");
    EXPECT_EQ(findEntry(packed, "com/A.class")->content, "A from a");
    EXPECT_EQ(findEntry(packed, "shared.txt")->content, "from a");

    run = pack(false);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(linesOf(run.err).size(), 1u) << run.err;
    ASSERT_TRUE(takeApart(dir.file("app.exe"), std::string("MZ fake x86 stub").size(), packed));
    EXPECT_EQ(entryNames(packed.entries),
              (Names{"META-INF/", "META-INF/MANIFEST.MF", "com/", "com/A.class", "com/Main.class",
                     "shared.txt", "com/B.class"}));
}

TEST(PackCommand, SplashEntryIsStoredAndAMissingOneWarnedAbout) {
    TempDir dir;
    std::string a = dir.file("a.jar"), b = dir.file("b.jar");
    writeZip(a, {{"com/Main.class", javaClassFile("com/Main", true)},
                 {"com/Other.class", std::string(400, 'o'), true},
                 {"images/splash.png", std::string(300, 'p') + "first image", true}});
    writeZip(b, {{"images/splash.png", "second image", true}});
    mkdir(dir.file("beside").c_str(), 0755);
    mkdir(dir.file("beside/images").c_str(), 0755);
    writeFile(dir.file("beside/images/none.png"), "an image file beside the program");
    const std::string kNoImage = "is neither an entry of the jars nor a file beside '" +
                                 dir.file("out") + "': the program shows no image for it";
    struct Case {
        std::string splashLine;
        std::string output;  // in dir
        int splashMethod;    // of images/splash.png in the output
        Names errors;
    };
    const Case cases[] = {
        {"splash images/splash.png", "out", ZIP_CM_STORE, {}},
        {"splash = images\\splash.png", "out", ZIP_CM_STORE, {}},
        {"", "out", ZIP_CM_DEFLATE, {}},
        {"splash images/none.png",
         "out",
         ZIP_CM_DEFLATE,
         {"wynpack: warning: '" + dir.file("settings.cfg") + "' line 2: splash 'images/none.png' " +
          kNoImage}},
        {"splash images/none.png", "beside/out", ZIP_CM_DEFLATE, {}},
        {"splash ${IMAGES}/none.png", "out", ZIP_CM_DEFLATE, {}},
        {"splash /opt/app/none.png", "out", ZIP_CM_DEFLATE, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.splashLine + " for " + c.output);
        writeFile(dir.file("settings.cfg"), "mainclass com.Main\n" + c.splashLine + "\n");
        std::string output = dir.file(c.output);
        ProcessResult run =
            runTool(kTool, {"--target", "linux-x86_64", "--no-support", "--config",
                            dir.file("settings.cfg"), "--jar", a, "--jar", b, "--output", output});
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        Names errors;
        for (const std::string& line : linesOf(run.err)) {
            if (line.find("is a duplicate") == std::string::npos) {
                errors.push_back(line);
            }
        }
        EXPECT_EQ(errors, c.errors);
        Packed packed;
        ASSERT_TRUE(takeApart(output, readFile(kBuildStub).size(), packed));
        const ZipEntryInfo* image = findEntry(packed, "images/splash.png");
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->method, c.splashMethod);
        EXPECT_EQ(image->content, std::string(300, 'p') + "first image");
        EXPECT_EQ(findEntry(packed, "com/Other.class")->method, ZIP_CM_DEFLATE);
    }
}

TEST(PackCommand, FirstCopyOfAResourceWinsAtRunTime) {
    TempDir dir;
    writeZip(dir.file("first.jar"), {{"com/example/packed/message.txt", "first copy"}});
    writeZip(dir.file("second.jar"), {{"com/example/packed/message.txt", "second copy"}});
    writeFile(dir.file("app.cfg"), "mainclass " + kMainClass + "\n");
    ProcessResult run =
        runTool(kTool, {"--target", "linux-x86_64", "--config", dir.file("app.cfg"), "--jar",
                        kHelloJar, "--jar", dir.file("first.jar"), "--jar", kGreetingJar, "--jar",
                        dir.file("second.jar"), "--output", dir.file("app")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("com/example/packed/message.txt in " + dir.file("second.jar") +
                           " is a duplicate, kept the first"),
              std::string::npos)
        << run.err;
    ProcessResult java = runProcess({kJava, "-cp", dir.file("app"), kMainClass});
    EXPECT_EQ(java.exitStatus, 0) << java.err;
    EXPECT_EQ(java.out, "greeting from the second jar\nfirst copy\n");
}

// A signed jar whose manifest is not the one kept: with its signature files in the archive,
// the runtime would refuse its classes ("Invalid signature file digest").
TEST(PackCommand, ClassesOfASignedJarLoadAfterMerging) {
    TempDir dir;
    std::string signedJar = dir.file("hello-signed.jar");
    copyExecutable(kHelloJar, signedJar);
    ProcessResult key =
        runProcess({kJdkBin + "keytool", "-genkeypair", "-keystore", dir.file("keys"), "-storepass",
                    "secret1", "-keypass", "secret1", "-alias", "test", "-dname", "CN=wynpack test",
                    "-keyalg", "RSA", "-keysize", "2048", "-validity", "2"});
    ASSERT_EQ(key.exitStatus, 0) << key.out << key.err;
    ProcessResult sign = runProcess({kJdkBin + "jarsigner", "-keystore", dir.file("keys"),
                                     "-storepass", "secret1", signedJar, "test"});
    ASSERT_EQ(sign.exitStatus, 0) << sign.out << sign.err;
    std::vector<ZipEntryInfo> signedEntries;
    ASSERT_TRUE(readZip(signedJar, 0, signedEntries));
    Names signedNames = entryNames(signedEntries);
    ASSERT_NE(std::find(signedNames.begin(), signedNames.end(), "META-INF/TEST.SF"),
              signedNames.end());

    writeFile(dir.file("app.cfg"), "mainclass " + kMainClass + "\n");
    ProcessResult run =
        runTool(kTool, {"--target", "linux-x86_64", "--config", dir.file("app.cfg"), "--jar",
                        kGreetingJar, "--jar", signedJar, "--output", dir.file("app")});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    Packed packed;
    ASSERT_TRUE(takeApart(dir.file("app"), readFile(kBuildStub).size(), packed));
    for (const std::string& name : entryNames(packed.entries)) {
        EXPECT_EQ(name.find("META-INF/TEST."), std::string::npos) << name;
    }
    ProcessResult java = runProcess({kJava, "-cp", dir.file("app"), kMainClass});
    EXPECT_EQ(java.exitStatus, 0) << java.err;
    EXPECT_EQ(java.out, "greeting from the second jar\nno message\n");
}

std::string bytesOf(const TextString& text) {
    return std::string(text.c_str(), static_cast<size_t>(text.length()));
}

// The launcher's own configuration reader finds what the packer embedded.
TEST(PackCommand, TheLaunchersReaderFindsThePackedConfiguration) {
    TempDir dir;
    const std::u16string lines =
        u"  MainClass = "
        u"com.example.packed.Hello\r\noption -Dtitle=Caf\u00E9\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char16_t unit : lines) {
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    // Not app.cfg: the launcher would read that one as its external configuration file.
    writeFile(dir.file("settings.txt"), utf16);
    std::string output = dir.file("app");
    ProcessResult run =
        runTool(kTool, {"--target", "linux-x86_64", "--config", dir.file("settings.txt"), "--jar",
                        kHelloJar, "--jar", kGreetingJar, "--output", output});
    ASSERT_EQ(run.exitStatus, 0) << run.err;

    ConfigStore store(false);
    store.loadFrom(output.c_str());
    EXPECT_EQ(store.embeddedStart(), 0);
    EXPECT_EQ(bytesOf(store.getValue("mainclass", true, false)), kMainClass);
    EXPECT_EQ(bytesOf(store.getValue("option", true, false)), "-Dtitle=Caf\xC3\xA9");
}

// More than 65535 entries need the ZIP64 end record: the runtime and unzip still find the
// archive behind the prefix.
TEST(PackCommand, ArchiveWithMoreEntriesThanTheClassicFormatHolds) {
    TempDir dir;
    {
        int error = 0;
        zip_t* archive = zip_open(dir.file("many.jar").c_str(), ZIP_CREATE, &error);
        ASSERT_NE(archive, nullptr);
        for (int i = 0; i < 70000; ++i) {
            std::string name = "data/" + std::to_string(i);
            zip_source_t* source = zip_source_buffer(archive, "x", 1, 0);
            ASSERT_GE(zip_file_add(archive, name.c_str(), source, 0), 0);
        }
        ASSERT_EQ(zip_close(archive), 0);
    }
    writeFile(dir.file("app.cfg"), "mainclass " + kMainClass + "\n");
    std::string output = dir.file("app");
    ProcessResult run = runTool(
        kTool, {"--target", "linux-x86_64", "--config", dir.file("app.cfg"), "--jar", kHelloJar,
                "--jar", dir.file("many.jar"), "--jar", kGreetingJar, "--output", output});
    ASSERT_EQ(run.exitStatus, 0) << run.err;

    // The locator names the file position of the ZIP64 end record.
    std::string file = readFile(output);
    size_t end = file.rfind("PK\x05\x06"s);
    ASSERT_NE(end, std::string::npos);
    ASSERT_EQ(file.compare(end - 20, 4, "PK\x06\x07"), 0) << "no ZIP64 locator";
    uint64_t record = readLittleEndian(file, end - 12, 4) |
                      static_cast<uint64_t>(readLittleEndian(file, end - 8, 4)) << 32;
    ASSERT_LT(record, file.size());
    EXPECT_EQ(file.compare(record, 4, "PK\x06\x06"), 0) << "locator points at " << record;

    ConfigStore store(false);
    store.loadFrom(output.c_str());
    EXPECT_EQ(bytesOf(store.getValue("mainclass", true, false)), kMainClass);

    ProcessResult unzip = runProcess({"/usr/bin/unzip", "-tq", output});
    EXPECT_LE(unzip.exitStatus, 1) << unzip.out << unzip.err;
    EXPECT_NE(unzip.out.find("No errors detected"), std::string::npos) << unzip.out;
    ProcessResult java = runProcess({kJava, "-cp", output, kMainClass});
    EXPECT_EQ(java.exitStatus, 0) << java.err;
    EXPECT_EQ(java.out, "greeting from the second jar\nno message\n");
}

TEST(PackCommand, EntryTimesSurviveADaylightSavingGap) {
    TempDir dir;
    // 02:30 on the morning the clocks in New York skip from 02:00 to 03:00.
    std::tm fields = {};
    fields.tm_year = 2021 - 1900;
    fields.tm_mon = 2;
    fields.tm_mday = 14;
    fields.tm_hour = 2;
    fields.tm_min = 30;
    time_t stamp = timegm(&fields);
    writeZip(dir.file("app.jar"),
             {{"a.txt", "a", false, stamp}, {"A.class", javaClassFile("A", true)}});
    std::vector<ZipEntryInfo> original;
    ASSERT_TRUE(readZip(dir.file("app.jar"), 0, original));
    writeFile(dir.file("app.cfg"), "mainclass A\n");
    writeFile(dir.file("stub"), "S");
    ProcessResult run =
        runTool(kTool,
                {"--stub", dir.file("stub"), "--config", dir.file("app.cfg"), "--jar",
                 dir.file("app.jar"), "--no-support", "--output", dir.file("out")},
                [] { setenv("TZ", "America/New_York", 1); });
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    Packed packed;
    ASSERT_TRUE(takeApart(dir.file("out"), 1, packed));
    ASSERT_EQ(packed.entries.size(), 2u);
    EXPECT_EQ(packed.entries[0].mtime, original[0].mtime);
}

// A configuration may come from a pipe, as with a shell's process substitution.
TEST(PackCommand, ConfigurationFromAPipe) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("config-pipe").c_str(), 0600), 0);
    writeFile(dir.file("stub"), "S");
    writeZip(dir.file("app.jar"), {{"A.class", "A"}});
    TempDir capture;
    pid_t pid =
        startProcess({kTool, "--stub", dir.file("stub"), "--config", dir.file("config-pipe"),
                      "--jar", dir.file("app.jar"), "--no-support", "--output", dir.file("out")},
                     capture.file("out"), capture.file("err"));
    writeFile(dir.file("config-pipe"), "mainclass A\n");
    ProcessResult run = waitProcess(pid, capture.file("out"), capture.file("err"));
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    Packed packed;
    ASSERT_TRUE(takeApart(dir.file("out"), 1, packed));
    EXPECT_EQ(packed.configText, "mainclass A\n");
}

TEST(PackCommand, HelpDocumentsTheOptions) {
    ProcessResult run = runTool(kTool, {"--help"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.err, "");
    for (const char* option : {"--target",
                               "--stub",
                               "--config",
                               "--jar",
                               "--no-support",
                               "--output",
                               "--icon",
                               "--splash",
                               "--splash-title",
                               "--file-version",
                               "--product-version",
                               "--product-name",
                               "--company",
                               "--description",
                               "--copyright",
                               "--original-filename",
                               "--internal-name",
                               "--dpi-aware",
                               "--require-admin",
                               "--utf8",
                               "--long-paths",
                               "--console",
                               "--version"}) {
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    }
}

// Each bad input: exit status 2, one line on standard error, nothing written.
class BadInput : public ::testing::Test {
  protected:
    void SetUp() override {
        installation_.addStub("linux-x86_64", "wyn", "stub bytes");
        installation_.setSupportJar({{"com/tarnwick/wyn/Support.class", "support"}});
        writeFile(dir_.file("settings.cfg"), "mainclass A\n");
        writeZip(dir_.file("app.jar"), {{"A.class", javaClassFile("A", true)}});
        writeFile(dir_.file("old.exe"), "an older build");
    }

    // The text with every "@" replaced by the test's directory.
    std::string expand(std::string text) const {
        for (size_t at = 0; (at = text.find('@', at)) != std::string::npos;) {
            text.replace(at, 1, dir_.path());
            at += dir_.path().size();
        }
        return text;
    }
    Names expand(Names args) const {
        for (std::string& arg : args) {
            arg = expand(arg);
        }
        return args;
    }

    // Runs the tool with the arguments ("@" stands for the directory) and checks the rules.
    void expectRefused(Names args, const std::string& message,
                       const std::function<void()>& prepare = nullptr) {
        args = expand(args);
        std::string expected = expand(message);
        Names before = dir_.names();
        std::string oldContent = readFile(dir_.file("old.exe"));
        ProcessResult run = runTool(installation_.tool(), args, prepare);
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(run.err, "wynpack: " + expected + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(dir_.names(), before) << "nothing may be left behind";
        EXPECT_EQ(readFile(dir_.file("old.exe")), oldContent);
    }

    // A valid command line with the values of up to two options replaced.
    Names valid(const std::string& option, const std::string& value,
                const std::string& option2 = "", const std::string& value2 = "") {
        Names args{"--target", "linux-x86_64", "--config", "@/settings.cfg",
                   "--jar",    "@/app.jar",    "--output", "@/app"};
        for (size_t i = 0; i < args.size(); i += 2) {
            if (args[i] == option) {
                args[i + 1] = value;
            } else if (args[i] == option2) {
                args[i + 1] = value2;
            }
        }
        return args;
    }

    Installation installation_;
    TempDir dir_;
};

TEST_F(BadInput, CommandLine) {
    expectRefused({"--target", "linux-x86_64", "--verbose"}, "unknown option --verbose");
    expectRefused({"--target", "linux-x86_64", "--config", "@/settings.cfg", "--jar", "@/app.jar"},
                  "missing --output (see wynpack --help)");
    expectRefused({"--config", "@/settings.cfg", "--jar", "@/app.jar", "--output", "@/app"},
                  "missing --target or --stub (see wynpack --help)");
    expectRefused(valid("--target", "solaris"),
                  "unknown target 'solaris' (known: windows-x86, windows-x86_64, linux-x86_64)");
    auto withMore = [&](Names more) {
        Names args = valid("", "");
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const std::pair<Names, std::string> resourceOptions[] = {
        {{"--icon", "0=a.ico"}, "--icon 0=a.ico: the id must be a number from 1 to 65535"},
        {{"--icon", "65536=a.ico"}, "--icon 65536=a.ico: the id must be a number from 1 to 65535"},
        {{"--icon", "7="}, "--icon 7=: the icon file is missing after '='"},
        {{"--icon", "a.ico", "--icon", "1=b.ico"}, "--icon: icon id 1 is given more than once"},
        {{"--file-version", "1.2.3.4.5"},
         "--file-version 1.2.3.4.5: a version is one to four numbers from 0 to 65535, separated "
         "by dots"},
        {{"--product-version", "2.x"},
         "--product-version 2.x: a version is one to four numbers from 0 to 65535, separated by "
         "dots"},
        {{"--company", "Caf\xE9"}, "--company: the text is not valid UTF-8"},
        {{"--splash-title", "two\nlines"}, "--splash-title: the title must be one line"},
        {{"--console", "--icon", "@/a.ico"},
         "--console needs a Windows stub; '" + installation_.besideTool("stubs/linux-x86_64/wyn") +
             "' is not one"},
    };
    for (const auto& [more, message] : resourceOptions) {
        expectRefused(withMore(more), message);
    }
}

TEST_F(BadInput, MissingOrUnusableFiles) {
    expectRefused(valid("--config", "@/none.cfg"),
                  "cannot read configuration file '@/none.cfg': No such file or directory");
    expectRefused(valid("--config", "@"), "cannot read configuration file '@': it is a directory");
    expectRefused(valid("--jar", "@/none.jar"),
                  "cannot read jar '@/none.jar': No such file or directory");
    expectRefused(valid("--jar", "@/settings.cfg"), "'@/settings.cfg' is not a ZIP archive");
    ASSERT_EQ(mkfifo(dir_.file("pipe.jar").c_str(), 0600), 0);
    expectRefused(valid("--jar", "@/pipe.jar"),
                  "cannot read jar '@/pipe.jar': it is not a regular file");
    expectRefused(valid("--target", "windows-x86"),
                  "cannot read stub '" + installation_.besideTool("stubs/windows-x86/wyn.exe") +
                      "': No such file or directory");
    Names withStub = valid("--target", "x");
    withStub[0] = "--stub";
    withStub[1] = "@/none";
    expectRefused(withStub, "cannot read stub '@/none': No such file or directory");
}

TEST_F(BadInput, MissingSupportJar) {
    Installation bare;
    bare.addStub("linux-x86_64", "wyn", "stub bytes");
    Names args = expand(valid("", ""));
    Names before = dir_.names();
    ProcessResult run = runTool(bare.tool(), args);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.err, "wynpack: cannot read jar '" + bare.besideTool("lib/wyn-support.jar") +
                           "': No such file or directory\n");
    EXPECT_EQ(dir_.names(), before);
    args.push_back("--no-support");
    run = runTool(bare.tool(), args);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
}

TEST_F(BadInput, ConfigurationsTheLauncherCannotStartFrom) {
    struct Case {
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"option -Xmx1g\r\n",
         "has no mainclass line: the launcher needs the name of the main class, and the first "
         "jar's manifest names no Main-Class"},
        {"mainclass\r\nmainclass A\r\n",
         "has no value in its first mainclass line (line 1), and the launcher takes that one"},
        {"option a\r\n\0mainclass A\r\n"s,
         "holds a NUL character on line 2: the launcher would ignore everything from there on"},
        {"\xFF\xFEm\0a\0i"s, "has an odd number of bytes after its UTF-16 byte order mark"},
        {"\xEF\xBB\xBFmainclass Caf\xE9\r\n", "is not valid UTF-8 after its UTF-8 byte order mark"},
    };
    for (const Case& c : cases) {
        writeFile(dir_.file("bad.cfg"), c.bytes);
        expectRefused(valid("--config", "@/bad.cfg"), "configuration file '@/bad.cfg' " + c.reason);
    }
}

TEST_F(BadInput, OutputThatIsAnInputOrNoFile) {
    expectRefused(valid("--output", "@/app.jar"), "output '@/app.jar' is the input '@/app.jar'");
    // Checked first: a user who names the output as an input hears that, not what the file holds.
    expectRefused(valid("--jar", "@/old.exe", "--output", "@/old.exe"),
                  "output '@/old.exe' is the input '@/old.exe'");
    expectRefused(valid("--output",
                        "@/../" + dir_.path().substr(dir_.path().rfind('/') + 1) + "/settings.cfg"),
                  "output '@/../" + dir_.path().substr(dir_.path().rfind('/') + 1) +
                      "/settings.cfg' is the input '@/settings.cfg'");
    ASSERT_EQ(symlink(dir_.file("settings.cfg").c_str(), dir_.file("link.cfg").c_str()), 0);
    expectRefused(valid("--output", "@/link.cfg"),
                  "output '@/link.cfg' is the input '@/settings.cfg'");
    ASSERT_EQ(link(dir_.file("app.jar").c_str(), dir_.file("hard.jar").c_str()), 0);
    expectRefused(valid("--output", "@/hard.jar"), "output '@/hard.jar' is the input '@/app.jar'");
    expectRefused(valid("--output", "@"), "output '@' is a directory");
    expectRefused(valid("--output", "@/"), "output '@/' is a directory");
    expectRefused(valid("--output", "@/no/app"),
                  "the directory of the output '@/no/app' does not exist");
    ASSERT_EQ(mkfifo(dir_.file("pipe").c_str(), 0600), 0);
    expectRefused(valid("--output", "@/pipe"), "output '@/pipe' exists and is not a regular file");
}

TEST_F(BadInput, UnreadableFiles) {
    // Permissions do not stop root: the tool runs as an unprivileged user for this test.
    chmod(dir_.path().c_str(), 0777);
    writeFile(dir_.file("secret.cfg"), "mainclass A\n");
    chmod(dir_.file("secret.cfg").c_str(), 0);
    chmod(dir_.file("old.exe").c_str(), 0644);
    auto asNobody = [] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(125);
        }
    };
    expectRefused(valid("--config", "@/secret.cfg"),
                  "cannot read configuration file '@/secret.cfg': Permission denied", asNobody);
    writeZip(dir_.file("secret.jar"), {{"A.class", "A"}});
    chmod(dir_.file("secret.jar").c_str(), 0);
    expectRefused(valid("--jar", "@/secret.jar"),
                  "cannot read jar '@/secret.jar': Permission denied", asNobody);
}

// Output larger than the file size limit: the write fails, and neither a partial output nor a
// temporary file is left, while an older output stays as it was.
TEST(PackCommand, FailedWriteLeavesNothingBehind) {
    TempDir dir;
    std::string payload;
    for (int i = 0; payload.size() < 300000; ++i) {
        payload += std::to_string(i * 7919 % 1000003);
    }
    writeZip(dir.file("app.jar"), {{"data.bin", payload}, {"A.class", javaClassFile("A", true)}});
    writeFile(dir.file("settings.cfg"), "mainclass A\n");
    writeFile(dir.file("stub"), std::string(200000, 'S'));
    writeFile(dir.file("app"), "the previous build");
    const Names args{"--stub",       dir.file("stub"),    "--config",     dir.file("settings.cfg"),
                     "--jar",        dir.file("app.jar"), "--no-support", "--output",
                     dir.file("app")};
    const Names inputs = dir.names();
    // Too small for the archive; enough for the archive but not for stub + archive.
    for (rlim_t limit : {rlim_t{100000}, rlim_t{400000}}) {
        SCOPED_TRACE(limit);
        ProcessResult run = runTool(kTool, args, [limit] {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit rl = {limit, limit};
            setrlimit(RLIMIT_FSIZE, &rl);
        });
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(linesOf(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("wynpack: ", 0), 0u) << run.err;
        EXPECT_EQ(dir.names(), inputs);
        EXPECT_EQ(readFile(dir.file("app")), "the previous build");
    }
}

// Ctrl-C while the archive is written: the process ends by the signal and leaves no files.
TEST(PackCommand, InterruptLeavesNothingBehind) {
    TempDir dir;
    std::string big(96 << 20, '\0');
    uint32_t seed = 12345;
    for (char& c : big) {
        seed = seed * 1103515245 + 12345;
        c = static_cast<char>(seed >> 24);
    }
    writeZip(dir.file("big.jar"), {{"big.bin", big}, {"A.class", javaClassFile("A", true)}});
    big.clear();
    writeFile(dir.file("settings.cfg"), "mainclass A\n");
    writeFile(dir.file("stub"), "S");
    const Names inputs = dir.names();
    TempDir capture;
    pid_t pid =
        startProcess({kTool, "--stub", dir.file("stub"), "--config", dir.file("settings.cfg"),
                      "--jar", dir.file("big.jar"), "--no-support", "--output", dir.file("app")},
                     capture.file("out"), capture.file("err"));
    // Wait until the tool has created its temporary files, then interrupt it.
    bool sawTemporary = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!sawTemporary && std::chrono::steady_clock::now() < deadline) {
        for (const std::string& name : dir.names()) {
            sawTemporary = sawTemporary || name.rfind(".app.", 0) == 0;
        }
        if (!sawTemporary) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    ASSERT_TRUE(sawTemporary);
    kill(pid, SIGINT);
    ProcessResult run = waitProcess(pid, capture.file("out"), capture.file("err"));
    EXPECT_EQ(run.signal, SIGINT) << "exit status " << run.exitStatus << ": " << run.err;
    EXPECT_EQ(dir.names(), inputs);
}

}  // namespace
