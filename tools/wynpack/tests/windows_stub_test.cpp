// The packer with Windows stubs: the real tool packs the resource probe (a small Windows
// program built with MinGW-w64, see resource_probe/), and the result is read back by
// wrestool, by the packed probe itself under Wine (the system's own resource loading), by
// osslsigncode after signing it, by the launcher's payload reader and by the JDK.
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "config/payload.h"
#include "pe_image.h"
#include "test_files.h"
#include "version_info.h"

namespace {

using namespace wynpack_test;
using Names = std::vector<std::string>;

const std::string kTool = WYNPACK_TOOL;
const std::string kJava = WYNPACK_JDK "/bin/java";
const std::string kJar = WYNPACK_JDK "/bin/jar";
const std::string kHelloJar = WYNPACK_HELLO_JAR;
const std::string kGreetingJar = WYNPACK_GREETING_JAR;
const std::string kMedia = WYNPACK_MEDIA;
const std::string kProbe64 = WYNPACK_PROBE_X86_64;
const std::string kProbe32 = WYNPACK_PROBE_X86;
const std::string kWine = "/usr/lib/wine/wine64";
const std::string kProbeExitCode = "7";

class WineEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("WINEPREFIX", WYNPACK_WINE_PREFIX, 1);
        setenv("WINEDEBUG", "-all", 1);
        unsetenv("DISPLAY");
    }
    void TearDown() override { runProcess({"/usr/lib/wine/wineserver", "-k"}); }
};
const auto* const kWineEnvironment = ::testing::AddGlobalTestEnvironment(new WineEnvironment);

ProcessResult pack(const std::string& stub, const std::string& output, const Names& more) {
    TempDir config;
    writeFile(config.file("app.cfg"), "mainclass com.example.packed.Hello\n");
    Names argv{kTool,      "--stub",  stub,    "--config",   config.file("app.cfg"),
               "--jar",    kHelloJar, "--jar", kGreetingJar, "--no-support",
               "--output", output};
    argv.insert(argv.end(), more.begin(), more.end());
    return runProcess(argv);
}

// The probe's "key=value" report.
std::map<std::string, std::string> probeReport(const std::string& exe, const Names& iconIds,
                                               int& exitStatus) {
    Names argv{kWine, exe};
    argv.insert(argv.end(), iconIds.begin(), iconIds.end());
    ProcessResult run = runProcess(argv);
    exitStatus = run.exitStatus;
    std::map<std::string, std::string> report;
    for (const std::string& line : linesOf(run.out)) {
        size_t equals = line.find('=');
        if (equals != std::string::npos) {
            std::string value = line.substr(equals + 1);
            if (!value.empty() && value.back() == '\r') {
                value.pop_back();
            }
            report[line.substr(0, equals)] = value;
        }
    }
    return report;
}

std::string wrestool(const Names& args) {
    Names argv{"/usr/bin/wrestool"};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult run = runProcess(argv);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    return run.out;
}

// The images of an icon file, in order, as the bytes each directory entry names.
std::vector<std::string> iconImages(const std::string& ico) {
    std::vector<std::string> images;
    auto le = [&](size_t at, int size) {
        uint32_t v = 0;
        for (int i = size - 1; i >= 0; --i) {
            v = v << 8 | static_cast<unsigned char>(ico[at + static_cast<size_t>(i)]);
        }
        return v;
    };
    for (size_t i = 0; i < le(4, 2); ++i) {
        images.push_back(ico.substr(le(6 + 16 * i + 12, 4), le(6 + 16 * i + 8, 4)));
    }
    return images;
}

// The same inputs and options give the same bytes on every target, whatever the icon file's
// time and the day of packing; SOURCE_DATE_EPOCH sets the time of the entries the packer
// makes.
TEST(WindowsStub, PackingIsReproducibleOnEveryTarget) {
    for (const std::string& stub : {std::string(WYNPACK_BUILD_STUB), kProbe64, kProbe32}) {
        SCOPED_TRACE(stub);
        std::string outputs[3];
        for (int run = 0; run < 3; ++run) {
            TempDir dir;
            std::string icon = dir.file("tray.ico");
            writeFile(icon, readFile(kMedia + "tray.ico"));
            struct timeval times[2] = {{1000000000 + run * 86400, 0},
                                       {1000000000 + run * 86400, 0}};
            ASSERT_EQ(utimes(icon.c_str(), times), 0);
            if (run == 2) {
                setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
            }
            ProcessResult packed = pack(stub, dir.file("app"), {"--icon", "2=" + icon});
            unsetenv("SOURCE_DATE_EPOCH");
            ASSERT_EQ(packed.exitStatus, 0) << packed.err;
            outputs[run] = readFile(dir.file("app"));
            if (run < 2) {
                sleep(1);  // the next run packs at another time of day
            }
        }
        EXPECT_TRUE(outputs[0] == outputs[1]) << "packing twice gave different bytes";
        EXPECT_FALSE(outputs[0] == outputs[2]) << "SOURCE_DATE_EPOCH changed nothing";
        EXPECT_EQ(outputs[0].size(), outputs[2].size());
    }
}

TEST(WindowsStub, ResourcesReadBackWithWrestool) {
    for (const std::string& probe : {kProbe64, kProbe32}) {
        SCOPED_TRACE(probe);
        TempDir dir;
        std::string out = dir.file("app.exe");
        ProcessResult packed =
            pack(probe, out,
                 {"--icon", kMedia + "app.ico", "--icon", "7=" + kMedia + "tray.ico", "--splash",
                  kMedia + "splash.bmp"});
        ASSERT_EQ(packed.exitStatus, 0) << packed.err;
        std::string list = wrestool({"-l", out});
        for (const char* resource :
             {"--type=14 --name=1 ", "--type=14 --name=7 ", "--type=2 --name=100 ",
              "--type=16 --name=1 ", "--type=24 --name=1 ", "--type=6 "}) {
            EXPECT_NE(list.find(resource), std::string::npos) << resource << " in\n" << list;
        }
        EXPECT_EQ(iconImages(wrestool({"-x", "--type=14", "--name=1", out})),
                  iconImages(readFile(kMedia + "app.ico")));
        EXPECT_EQ(iconImages(wrestool({"-x", "--type=14", "--name=7", out})),
                  iconImages(readFile(kMedia + "tray.ico")));
        // The bitmap resource is the file without its 14-byte file header.
        EXPECT_EQ(wrestool({"-x", "--raw", "--type=2", "--name=100", out}),
                  readFile(kMedia + "splash.bmp").substr(14));
    }
}

TEST(WindowsStub, ImagesOfEveryFormatBecomeTheRightResource) {
    struct Case {
        const char* file;
        const char* type;
        size_t headerSkipped;
    };
    for (const Case& c : {Case{"splash.png", "10", 0}, Case{"splash.jpg", "10", 0},
                          Case{"splash.gif", "10", 0}, Case{"splash8.bmp", "2", 14}}) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        std::string out = dir.file("app.exe");
        ProcessResult packed = pack(kProbe64, out, {"--splash", kMedia + c.file});
        ASSERT_EQ(packed.exitStatus, 0) << packed.err;
        std::string image = readFile(kMedia + c.file);
        std::string resource =
            wrestool({"-x", "--raw", std::string("--type=") + c.type, "--name=100", out});
        if (c.headerSkipped == 0) {
            EXPECT_EQ(resource, image);
        } else {
            // A palette bitmap: header, colour table and pixels, without the file header.
            EXPECT_EQ(resource.substr(0, 40), image.substr(14, 40));
            EXPECT_EQ(resource.substr(resource.size() - 100), image.substr(image.size() - 100));
        }
    }
}

TEST(WindowsStub, ThePackedProgramSeesItsResourcesUnderWine) {
    TempDir dir;
    std::string out = dir.file("My App.exe");
    ProcessResult packed =
        pack(kProbe64, out,
             {"--icon", kMedia + "app.ico", "--icon", "7=" + kMedia + "tray.ico", "--splash",
              kMedia + "splash.bmp", "--file-version", "2.5.1", "--product-version", "2.5.1.77",
              "--company", "Tarnwick Tests", "--description", "Probe \xC3\xA9t\xC3\xA9",
              "--copyright", "(c) 2026", "--dpi-aware", "--utf8", "--long-paths"});
    ASSERT_EQ(packed.exitStatus, 0) << packed.err;
    int status = -1;
    auto report = probeReport(out, {"7"}, status);
    EXPECT_EQ(std::to_string(status), kProbeExitCode);
    EXPECT_EQ(report["subsystem"], "gui");
    EXPECT_EQ(report["icon1"], "32x32 of 3 images");
    EXPECT_EQ(report["icon7"], "32x32 of 2 images");
    EXPECT_EQ(report["bitmap100"], "120x80");
    EXPECT_EQ(report["rawdata100"], "missing");
    EXPECT_EQ(report["version.numbers"], "2.5.1.0/2.5.1.77");
    EXPECT_EQ(report["version.FileVersion"], "2.5.1");
    EXPECT_EQ(report["version.ProductVersion"], "2.5.1.77");
    EXPECT_EQ(report["version.CompanyName"], "Tarnwick Tests");
    EXPECT_EQ(report["version.FileDescription"], "Probe \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(report["version.LegalCopyright"], "(c) 2026");
    EXPECT_EQ(report["version.LauncherVersion"], "wyn 0.1.0");  // the packer's: the probe has none
    // Defaults from the output's name.
    EXPECT_EQ(report["version.ProductName"], "My App");
    EXPECT_EQ(report["version.InternalName"], "My App");
    EXPECT_EQ(report["version.OriginalFilename"], "My App.exe");
    const std::string& manifest = report["manifest"];
    for (const char* part :
         {"Microsoft.Windows.Common-Controls", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
          "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "PerMonitorV2", "<dpiAware",
          ">UTF-8</activeCodePage>", "<longPathAware", "level=\"asInvoker\""}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part << " in " << manifest;
    }
    EXPECT_EQ(manifest.find("probe before packing"), std::string::npos);
    EXPECT_EQ(report["string1"], "probe string one");  // the stub's string table is kept
}

TEST(WindowsStub, RawSplashDataAndDefaultsUnderWine) {
    TempDir dir;
    std::string out = dir.file("plain.exe");
    ASSERT_EQ(
        pack(kProbe64, out, {"--splash", kMedia + "splash.png", "--require-admin"}).exitStatus, 0);
    int status = -1;
    auto report = probeReport(out, {}, status);
    std::string png = readFile(kMedia + "splash.png");
    uint32_t hash = 0;
    for (unsigned char c : png) {
        hash = hash * 31 + c;
    }
    char expected[64];
    snprintf(expected, sizeof(expected), "%zu bytes, hash %08x", png.size(), hash);
    EXPECT_EQ(report["rawdata100"], expected);
    EXPECT_EQ(report["bitmap100"], "missing");
    EXPECT_EQ(report["icon1"], "32x32 of 1 images");  // the stub's own icon stays
    EXPECT_EQ(report["version.numbers"], "1.0.0.0/1.0.0.0");
    EXPECT_EQ(report["version.ProductName"], "plain");
    EXPECT_EQ(report.count("version.CompanyName"), 0u);
    EXPECT_NE(report["manifest"].find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_EQ(report["manifest"].find("windowsSettings"), std::string::npos);
}

// The Linux tree's Wine runs 64-bit programs only: both probes' version information is read
// from wrestool's copy (the x86-64 one by Windows's own functions above as well).
TEST(WindowsStub, PackedProgramsNameTheirLauncherBesideTheApplication) {
    for (const std::string& probe : {kProbe64, kProbe32}) {
        SCOPED_TRACE(probe);
        TempDir dir;
        std::string out = dir.file("named.exe");
        ProcessResult packed = pack(
            probe, out,
            {"--file-version", "4.2", "--company", "Tarnwick Tests", "--product-name", "Named"});
        ASSERT_EQ(packed.exitStatus, 0) << packed.err;
        std::string info = wrestool({"-x", "--raw", "--type=16", "--name=1", out});
        // The probe names no launcher version of its own: the packer's is written.
        for (const auto& [name, expected] :
             {std::pair{u"LauncherVersion", u"wyn 0.1.0"}, std::pair{u"FileVersion", u"4.2"},
              std::pair{u"CompanyName", u"Tarnwick Tests"}, std::pair{u"ProductName", u"Named"}}) {
            std::u16string value;
            EXPECT_TRUE(wynpack::findVersionString(info, name, value));
            EXPECT_EQ(value, expected);
        }
    }
}

TEST(WindowsStub, ConsoleVariantWritesToTheTerminalWithTheSameExitCode) {
    TempDir dir;
    std::string gui = dir.file("gui.exe");
    std::string console = dir.file("console.exe");
    ASSERT_EQ(pack(kProbe64, gui, {}).exitStatus, 0);
    ASSERT_EQ(pack(kProbe64, console, {"--console"}).exitStatus, 0);
    int guiStatus = -1;
    int consoleStatus = -1;
    EXPECT_EQ(probeReport(gui, {}, guiStatus)["subsystem"], "gui");
    auto report = probeReport(console, {}, consoleStatus);
    EXPECT_EQ(report["subsystem"], "console");
    EXPECT_EQ(report["string1"], "probe string one");
    EXPECT_EQ(std::to_string(consoleStatus), kProbeExitCode);
    EXPECT_EQ(consoleStatus, guiStatus);
}

// Signing after packing: osslsigncode signs with a certificate made for the test and
// verifies the signature; the checksum the packer wrote is the one the file has; the signed
// program still runs, its payload is still found, and the JDK still runs it as a jar.
TEST(WindowsStub, SignedProgramStaysAProgramAndAJar) {
    TempDir dir;
    std::string packed = dir.file("app.exe");
    std::string signedExe = dir.file("signed.exe");
    ASSERT_EQ(pack(kProbe64, packed, {"--icon", kMedia + "app.ico"}).exitStatus, 0);

    // osslsigncode names both values and warns only when they differ.
    ProcessResult checksum = runProcess({"/usr/bin/osslsigncode", "verify", "-in", packed});
    EXPECT_NE(checksum.out.find("PE checksum   : 0"), std::string::npos) << checksum.out;
    EXPECT_EQ(checksum.out.find("PE checksum   : 00000000"), std::string::npos) << checksum.out;
    EXPECT_EQ(checksum.out.find("invalid PE checksum"), std::string::npos) << checksum.out;
    EXPECT_EQ(checksum.out.find("Calculated PE checksum"), std::string::npos) << checksum.out;
    EXPECT_EQ(readFile(packed).size() % 8, 0u);

    ProcessResult key =
        runProcess({"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                    dir.file("key.pem"), "-out", dir.file("cert.pem"), "-days", "2", "-subj",
                    "/CN=wyn packer test"});
    ASSERT_EQ(key.exitStatus, 0) << key.err;
    ProcessResult sign =
        runProcess({"/usr/bin/osslsigncode", "sign", "-certs", dir.file("cert.pem"), "-key",
                    dir.file("key.pem"), "-n", "wyn test", "-in", packed, "-out", signedExe});
    ASSERT_EQ(sign.exitStatus, 0) << sign.out << sign.err;
    ProcessResult verify = runProcess(
        {"/usr/bin/osslsigncode", "verify", "-CAfile", dir.file("cert.pem"), "-in", signedExe});
    EXPECT_EQ(verify.exitStatus, 0) << verify.out << verify.err;
    std::string signedBytes = readFile(signedExe);
    std::string unsignedBytes = readFile(packed);
    ASSERT_GT(signedBytes.size(), unsignedBytes.size());

    // The launcher's reader finds the same configuration in both files.
    auto markOf = [](const std::string& bytes) {
        return locatePayloadMark(reinterpret_cast<const unsigned char*>(bytes.data()),
                                 static_cast<int64_t>(bytes.size()));
    };
    EXPECT_GT(markOf(unsignedBytes), 0);
    EXPECT_EQ(markOf(signedBytes), markOf(unsignedBytes));
    TextString text;
    int64_t mark = -1;
    ASSERT_TRUE(readEmbeddedText(signedExe.c_str(), text, mark));
    EXPECT_NE(std::string(text.c_str(), static_cast<size_t>(text.length()))
                  .find("mainclass com.example.packed.Hello"),
              std::string::npos);

    int status = -1;
    auto report = probeReport(signedExe, {}, status);
    EXPECT_EQ(std::to_string(status), kProbeExitCode);
    EXPECT_EQ(report["icon1"], "32x32 of 3 images");

    ProcessResult list = runProcess({kJar, "tf", signedExe});
    EXPECT_EQ(list.exitStatus, 0) << list.err;
    EXPECT_NE(list.out.find("com/example/packed/Hello.class"), std::string::npos);
    ProcessResult java = runProcess({kJava, "-cp", signedExe, "com.example.packed.Hello"});
    EXPECT_EQ(java.exitStatus, 0) << java.err;
    EXPECT_EQ(java.out, "greeting from the second jar\nno message\n");
}

// Damaged inputs: exit 2, one line naming the problem, and no output file.
TEST(WindowsStub, HostileInputsAreRefusedWithoutOutput) {
    TempDir dir;
    std::string ico = readFile(kMedia + "app.ico");
    std::string tray = readFile(kMedia + "tray.ico");
    std::string bmp = readFile(kMedia + "splash.bmp");
    std::string png = readFile(kMedia + "splash.png");
    std::string jpg = readFile(kMedia + "splash.jpg");
    std::string gif = readFile(kMedia + "splash.gif");
    auto patched = [](std::string bytes, size_t at, const std::string& with) {
        return bytes.replace(at, with.size(), with);
    };
    // tray.ico: the first image is the 256-pixel PNG; its IHDR width is at 16 in the image.
    size_t trayFirst = static_cast<unsigned char>(tray[18]) | static_cast<unsigned char>(tray[19])
                                                                  << 8;
    std::string stub = readFile(kProbe64);
    // The resource directory's entry counts, made huge: the tree no longer fits its section.
    std::string damagedStub = stub;
    {
        wynpack::PeLayout layout;
        std::string reason;
        ASSERT_TRUE(wynpack::readPeLayout(stub, layout, reason)) << reason;
        wynpack::DataDirectory resources =
            wynpack::dataDirectory(stub, layout, wynpack::kResourceDirectory);
        size_t root = 0;
        ASSERT_TRUE(layout.fileOffsetOf(resources.address, 16, root));
        damagedStub.replace(root + 12, 4, "\xFF\x7F\xFF\x7F");
    }
    std::string tooManyBytes = ico;
    tooManyBytes.replace(6 + 8, 4, std::string("\x00\x00\x20\x00", 4));  // 2 MiB image

    struct Case {
        const char* what;
        std::string iconBytes;   // written as icon.ico when not empty
        std::string splashName;  // written when not empty
        std::string splashBytes;
        std::string stubBytes;  // the probe when empty
        const char* message;
    };
    const Case cases[] = {
        {"icon cut in half", ico.substr(0, ico.size() / 2), "", "", "", "is truncated"},
        {"icon directory cut", ico.substr(0, 10), "", "", "", "is truncated"},
        {"icon image over 1 MiB", tooManyBytes, "", "", "", "is too large"},
        {"icon of 4096 pixels", patched(tray, trayFirst + 16, std::string("\x00\x00\x10\x00", 4)),
         "", "", "", "1 to 256 pixels"},
        {"not an icon", "hello", "", "", "", "is not an icon file"},
        {"bitmap cut", "", "s.bmp", bmp.substr(0, bmp.size() - 100), "", "is truncated"},
        {"bitmap too wide", "", "s.bmp", patched(bmp, 18, std::string("\x00\x00\x01\x00", 4)), "",
         "1 to 16384"},
        {"png without its end", "", "s.png", png.substr(0, png.size() - 12), "", "IEND"},
        {"jpeg cut", "", "s.jpg", jpg.substr(0, jpg.size() - 20), "", "is truncated"},
        {"gif cut", "", "s.gif", gif.substr(0, gif.size() - 1), "", "is truncated"},
        {"text as splash", "", "s.png", "just text", "", "is not a BMP, PNG, JPEG or GIF"},
        {"damaged resource directory", "", "", "", damagedStub, "damaged resource directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Names more;
        if (!c.iconBytes.empty()) {
            writeFile(dir.file("icon.ico"), c.iconBytes);
            more = {"--icon", dir.file("icon.ico")};
        }
        if (!c.splashName.empty()) {
            writeFile(dir.file(c.splashName), c.splashBytes);
            more.insert(more.end(), {"--splash", dir.file(c.splashName)});
        }
        std::string stubPath = kProbe64;
        if (!c.stubBytes.empty()) {
            stubPath = dir.file("stub.exe");
            writeFile(stubPath, c.stubBytes);
        }
        std::string out = dir.file("out.exe");
        ProcessResult run = pack(stubPath, out, more);
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(linesOf(run.err).size(), 1u) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(fileExists(out));
    }

    // A signed stub, and resource options with the Linux-style stub that is no PE at all.
    std::string signedStub = dir.file("signed-stub.exe");
    ProcessResult key =
        runProcess({"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                    dir.file("key.pem"), "-out", dir.file("cert.pem"), "-days", "2", "-subj",
                    "/CN=wyn packer test"});
    ASSERT_EQ(key.exitStatus, 0) << key.err;
    ASSERT_EQ(runProcess({"/usr/bin/osslsigncode", "sign", "-certs", dir.file("cert.pem"), "-key",
                          dir.file("key.pem"), "-in", kProbe64, "-out", signedStub})
                  .exitStatus,
              0);
    ProcessResult signedRun = pack(signedStub, dir.file("out.exe"), {});
    EXPECT_EQ(signedRun.exitStatus, 2);
    EXPECT_NE(signedRun.err.find("is signed"), std::string::npos) << signedRun.err;
    writeFile(dir.file("elf-stub"),
              "\x7F"
              "ELF not a Windows stub");
    ProcessResult elf = pack(dir.file("elf-stub"), dir.file("out.exe"), {"--console"});
    EXPECT_EQ(elf.exitStatus, 2);
    EXPECT_NE(elf.err.find("--console needs a Windows stub"), std::string::npos) << elf.err;
    EXPECT_FALSE(fileExists(dir.file("out.exe")));
}

}  // namespace
