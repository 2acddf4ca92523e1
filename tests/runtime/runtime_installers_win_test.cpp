// Runtimes that current installers record, found in the launcher's own registry view: the
// JavaSoft records of Java 9 and later, the vendors' installer records, java.exe on PATH,
// selection by the recorded version, and a jvm.dll built for the other machine passed over.
// The records are written by the test, with copies of the test runtime as jvm.dll, in the
// build tree's private Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "runtime/runtime_locator.h"
#include "support/configured_app.h"
#include "support/scratch_tree.h"

namespace {

const char* const kRoots[] = {
    "SOFTWARE\\JavaSoft",     "SOFTWARE\\Eclipse Adoptium", "SOFTWARE\\Eclipse Foundation",
    "SOFTWARE\\AdoptOpenJDK", "SOFTWARE\\Semeru",           "SOFTWARE\\Microsoft\\JDK",
    "SOFTWARE\\Azul Systems"};

constexpr bool kLauncherIs64Bit = sizeof(void*) == 8;
const REGSAM kOwnView = kLauncherIs64Bit ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
const REGSAM kOtherView = kLauncherIs64Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

bool underWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string backslashed(std::string path) {
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

void setText(REGSAM view, const std::string& key, const char* name, const std::string& value) {
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE | view,
                              nullptr, &handle, nullptr),
              ERROR_SUCCESS)
        << key;
    EXPECT_EQ(RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(handle);
}

void removeRecords() {
    for (REGSAM view : {kOwnView, kOtherView}) {
        for (const char* root : kRoots) {
            HKEY key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, root, 0, KEY_ALL_ACCESS | view, &key) ==
                ERROR_SUCCESS) {
                RegDeleteTreeA(key, nullptr);
                RegCloseKey(key);
                RegDeleteKeyExA(HKEY_LOCAL_MACHINE, root, view, 0);
            }
        }
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The test runtime with its PE machine type changed to the other Windows machine.
std::string otherMachineCopy() {
    std::string image = readFile(WYN_TEST_RUNTIME_LIBRARY);
    if (image.size() < 0x40) {
        return std::string();
    }
    uint32_t peOffset = 0;
    memcpy(&peOffset, image.data() + 0x3C, 4);
    if (peOffset + 6 > image.size() || image.compare(peOffset, 4, std::string("PE\0\0", 4)) != 0) {
        return std::string();
    }
    uint16_t machine = kLauncherIs64Bit ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
    memcpy(&image[peOffset + 4], &machine, 2);
    return image;
}

class RuntimeInstallers : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!underWine()) {
            GTEST_SKIP() << "writes HKLM\\SOFTWARE: runs only in a private Wine prefix";
        }
        removeRecords();
        forgetLocatedJvmLibrary();
    }
    void TearDown() override {
        removeRecords();
        forgetLocatedJvmLibrary();
    }

    // A runtime home holding the test runtime as bin\server\jvm.dll, with a release file
    // when a version is given. Returns the home with backslashes.
    std::string home(const std::string& name, const std::string& version = "") {
        runtimes.file(name + "/bin/server/jvm.dll", readFile(WYN_TEST_RUNTIME_LIBRARY));
        if (!version.empty()) {
            runtimes.file(name + "/release", "JAVA_VERSION=\"" + version + "\"\n");
        }
        return backslashed(runtimes.path(name));
    }
    static std::string library(const std::string& homePath) {
        return homePath + "/bin\\server/jvm.dll";
    }

    std::string locate(const std::string& lines) {
        forgetLocatedJvmLibrary();
        ConfiguredApp config(app, lines);
        return locateJvmLibrary().c_str();
    }

    EnvironmentScope jreHome{"JRE_HOME", nullptr};
    EnvironmentScope javaHome{"JAVA_HOME", nullptr};
    EnvironmentScope path{"PATH", "C:\\windows\\system32;C:\\windows"};
    ScratchTree app;
    ScratchTree runtimes;
};

// One installer's record: where it is written and which value names the runtime.
struct Layout {
    const char* name;
    const char* key;    // below HKLM
    const char* value;  // value naming the home
};

const Layout kLayouts[] = {
    {"JavaSoft JDK of Java 9 and later", "SOFTWARE\\JavaSoft\\JDK\\17.0.2", "JavaHome"},
    {"JavaSoft Java Development Kit", "SOFTWARE\\JavaSoft\\Java Development Kit\\1.8", "JavaHome"},
    {"Eclipse Adoptium hotspot JDK", "SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.2.8\\hotspot\\MSI",
     "Path"},
    {"Eclipse Foundation JRE", "SOFTWARE\\Eclipse Foundation\\JRE\\11.0.14.9\\hotspot\\MSI",
     "Path"},
    {"AdoptOpenJDK", "SOFTWARE\\AdoptOpenJDK\\JDK\\8.0.292.10\\hotspot\\MSI", "Path"},
    {"Semeru openj9", "SOFTWARE\\Semeru\\JRE\\17.0.1.12\\openj9\\MSI", "Path"},
    {"Microsoft Build of OpenJDK", "SOFTWARE\\Microsoft\\JDK\\17.0.3.7\\hotspot\\MSI", "Path"},
    {"Azul Zulu", "SOFTWARE\\Azul Systems\\Zulu\\zulu-17", "InstallationPath"},
};

TEST_F(RuntimeInstallers, EachLayoutIsFoundInTheOwnViewOnly) {
    std::string h = home("rt");
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        removeRecords();
        setText(kOtherView, layout.key, layout.value, h);
        EXPECT_EQ(locate("jre_order s"), "") << "a record of the other view";
        removeRecords();
        setText(kOwnView, layout.key, layout.value, h);
        EXPECT_EQ(locate("jre_order s"), library(h));
    }
}

TEST_F(RuntimeInstallers, CurrentVersionOfTheJdkKeyIsTakenFirstWithoutBounds) {
    std::string older = home("jdk11"), newer = home("jdk17");
    setText(kOwnView, "SOFTWARE\\JavaSoft\\JDK", "CurrentVersion", "11");
    setText(kOwnView, "SOFTWARE\\JavaSoft\\JDK\\11", "JavaHome", older);
    setText(kOwnView, "SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", newer);
    EXPECT_EQ(locate("jre_order s"), library(older));
    EXPECT_EQ(locate("jre_order s\nminjre 12"), library(newer)) << "another version fits";
    EXPECT_EQ(locate("jre_order s\nminjre 1.8"), library(newer)) << "the highest fits";
}

TEST_F(RuntimeInstallers, RecordedVersionsSelectAcrossInstallers) {
    std::string adoptium = home("temurin"), microsoft = home("ms"), zulu = home("zulu", "21.0.2");
    setText(kOwnView, "SOFTWARE\\Eclipse Adoptium\\JDK\\11.0.22.7\\hotspot\\MSI", "Path", adoptium);
    setText(kOwnView, "SOFTWARE\\Microsoft\\JDK\\17.0.10.7\\hotspot\\MSI", "Path", microsoft);
    setText(kOwnView, "SOFTWARE\\Azul Systems\\Zulu\\zulu-21", "InstallationPath", zulu);
    EXPECT_EQ(locate("jre_order s"), library(adoptium));
    EXPECT_EQ(locate("jre_order s\nminjre 1.8"), library(zulu));
    EXPECT_EQ(locate("jre_order s\nmaxjre 17"), library(microsoft));
    EXPECT_EQ(locate("jre_order s\nminjre 11\nmaxjre 11"), library(adoptium));
    EXPECT_EQ(locate("jre_order s\nminjre 22"), "");
    EXPECT_STREQ(skippedRuntimeVersion().c_str(), "21.0.2");
    EXPECT_EQ(locate("jre_order s\nminjre 12\nmaxjre 16"), "");
    EXPECT_STREQ(skippedRuntimeVersion().c_str(), "17.0.10.7");
}

TEST_F(RuntimeInstallers, LibraryForTheOtherMachineIsPassedOver) {
    std::string other = otherMachineCopy();
    ASSERT_FALSE(other.empty());
    runtimes.file("mixed/bin/client/jvm.dll", other);
    std::string mixed = home("mixed");
    runtimes.file("only-other/bin/server/jvm.dll", other);
    std::string onlyOther = backslashed(runtimes.path("only-other"));

    setText(kOwnView, "SOFTWARE\\JavaSoft\\JDK", "CurrentVersion", "17");
    setText(kOwnView, "SOFTWARE\\JavaSoft\\JDK\\17", "RuntimeLib",
            mixed + "\\bin\\client\\jvm.dll");
    EXPECT_EQ(locate("jre_order s"), mixed + "\\bin/server/jvm.dll");

    setText(kOwnView, "SOFTWARE\\JavaSoft\\JDK\\17", "RuntimeLib",
            onlyOther + "\\bin\\server\\jvm.dll");
    EXPECT_EQ(locate("jre_order s"), "");
    EXPECT_EQ(locate("jre_order c\njvmdll " + onlyOther + "\\bin\\server\\jvm.dll"), "");
}

TEST_F(RuntimeInstallers, JavaOnPathNamesItsRuntime) {
    std::string h = home("onpath", "17.0.1");
    runtimes.file("onpath/bin/java.exe");
    runtimes.directory("nothing");
    std::string pathValue =
        "C:\\windows\\system32;;\"" + backslashed(runtimes.path("nothing")) + "\";" + h + "\\bin\\";
    EnvironmentScope onPath("PATH", pathValue.c_str());
    EXPECT_EQ(locate("jre_order s"), library(h));
    EXPECT_EQ(locate("jre_order s\nmaxjre 11"), "");
    EXPECT_STREQ(skippedRuntimeVersion().c_str(), "17.0.1");
}

}  // namespace
