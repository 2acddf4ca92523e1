// Runtime installation records in the registry: the versioned record, RuntimeLib, JavaHome,
// the VM flavour and the size limit of a value.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime/runtime_locator.h"
#include "support/configured_app.h"
#include "support/scratch_tree.h"

namespace {

const char kJavaSoft[] = "SOFTWARE\\JavaSoft";
const char kJre[] = "SOFTWARE\\JavaSoft\\JRE";
const char kLegacy[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const char kIbm[] = "SOFTWARE\\IBM\\Java2 Runtime Environment";

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

void setText(const std::string& key, const char* name, const std::string& value) {
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &handle, nullptr),
              ERROR_SUCCESS)
        << key;
    EXPECT_EQ(RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(handle);
}

void removeRecords() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kJavaSoft);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\IBM");
}

class RuntimeRegistry : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!underWine()) {
            GTEST_SKIP() << "writes HKLM\\SOFTWARE\\JavaSoft: runs only in a private Wine prefix";
        }
        removeRecords();
        forgetLocatedJvmLibrary();
    }
    void TearDown() override {
        removeRecords();
        forgetLocatedJvmLibrary();
    }

    // A record below key for version 1.6 with the given values (empty: not written).
    void record(const char* key, const std::string& runtimeLib, const std::string& javaHome) {
        setText(key, "CurrentVersion", "1.6");
        std::string versionKey = std::string(key) + "\\1.6";
        setText(versionKey, "Other", "x");
        if (!runtimeLib.empty()) {
            setText(versionKey, "RuntimeLib", runtimeLib);
        }
        if (!javaHome.empty()) {
            setText(versionKey, "JavaHome", javaHome);
        }
    }

    std::string read(const char* key) { return readRegistryRuntime(key).c_str(); }

    // A runtime home with client and server libraries below bin.
    std::string home() {
        runtimes.file("jre6/bin/client/jvm.dll");
        runtimes.file("jre6/bin/server/jvm.dll");
        return backslashed(runtimes.path("jre6"));
    }

    EnvironmentScope jreHome{"JRE_HOME", nullptr};
    EnvironmentScope javaHome{"JAVA_HOME", nullptr};
    ScratchTree app;
    ScratchTree runtimes;
};

TEST_F(RuntimeRegistry, ReadableRuntimeLibWithoutFlavourIsReturnedAsIs) {
    std::string lib = home() + "\\bin\\client\\jvm.dll";
    record(kJre, lib, "");
    ConfiguredApp config(app, "");
    EXPECT_EQ(read(kJre), lib);
}

TEST_F(RuntimeRegistry, OneCharacterFlavourCountsAsNone) {
    std::string lib = home() + "\\bin\\client\\jvm.dll";
    record(kJre, lib, "");
    ConfiguredApp config(app, "vm s");
    EXPECT_EQ(read(kJre), lib);
}

TEST_F(RuntimeRegistry, FlavourSearchesBelowTheParentOfTheLibraryDirectory) {
    std::string h = home();
    record(kJre, h + "\\bin\\client\\jvm.dll", "");
    ConfiguredApp config(app, "vm server");
    EXPECT_EQ(read(kJre), h + "\\bin/server/jvm.dll");
}

TEST_F(RuntimeRegistry, MissingRuntimeLibFileSearchesBelowItsParent) {
    runtimes.file("jre7/bin/server/jvm.dll");
    std::string h = backslashed(runtimes.path("jre7"));
    record(kJre, h + "\\bin\\client\\jvm.dll", "");
    ConfiguredApp config(app, "");
    EXPECT_EQ(read(kJre), h + "\\bin/server/jvm.dll");
}

TEST_F(RuntimeRegistry, JavaHomeIsSearchedWhenThereIsNoRuntimeLib) {
    runtimes.file("jdk/jre/bin/jvm.dll");
    std::string h = backslashed(runtimes.path("jdk"));
    record(kJre, "", h);
    ConfiguredApp config(app, "");
    EXPECT_EQ(read(kJre), h + "/jre\\bin\\jvm.dll");
}

TEST_F(RuntimeRegistry, MissingPiecesFindNothing) {
    ConfiguredApp config(app, "");
    EXPECT_EQ(read(kJre), "");
    setText(kJre, "CurrentVersion", "9.9");
    EXPECT_EQ(read(kJre), "");
    record(kJre, "", "");
    EXPECT_EQ(read(kJre), "");
}

TEST_F(RuntimeRegistry, ValueThatFillsTheBufferCountsAsAbsent) {
    // RuntimeLib values of 259 characters fit a 260-byte buffer with their terminator; 260
    // characters do not, and then JavaHome is taken instead.
    runtimes.file("fallback/jvm.dll");
    std::string fallback = backslashed(runtimes.path("fallback"));
    std::string base = backslashed(runtimes.root()) + "\\";
    std::string tail = "\\jvm.dll";
    ASSERT_LT(base.size() + tail.size(), 250u);
    std::string fits = base + std::string(259 - base.size() - tail.size(), 'd') + tail;
    ASSERT_EQ(fits.size(), 259u);
    runtimes.file(fits.substr(base.size()));

    record(kJre, fits, fallback);
    ConfiguredApp config(app, "");
    EXPECT_EQ(read(kJre), fits);

    std::string tooLong = base + std::string(260 - base.size() - tail.size(), 'd') + tail;
    ASSERT_EQ(tooLong.size(), 260u);
    record(kJre, tooLong, fallback);
    EXPECT_EQ(read(kJre), fallback + "/jvm.dll");

    setText(kJre, "CurrentVersion", std::string(300, '1'));
    EXPECT_EQ(read(kJre), "");
}

TEST_F(RuntimeRegistry, SystemSourceTriesTheLegacyRecordSecond) {
    std::string lib = home() + "\\bin\\client\\jvm.dll";
    record(kLegacy, lib, "");
    ConfiguredApp config(app, "jre_order s");
    EXPECT_EQ(std::string(locateJvmLibrary().c_str()), lib);
}

TEST_F(RuntimeRegistry, SystemSourcePrefersTheCurrentRecord) {
    std::string h = home();
    record(kLegacy, h + "\\bin\\client\\jvm.dll", "");
    record(kJre, h + "\\bin\\server\\jvm.dll", "");
    ConfiguredApp config(app, "jre_order s");
    EXPECT_EQ(std::string(locateJvmLibrary().c_str()), h + "\\bin\\server\\jvm.dll");
}

TEST_F(RuntimeRegistry, IbmRecordIsItsOwnSource) {
    std::string lib = home() + "\\bin\\client\\jvm.dll";
    record(kIbm, lib, "");
    {
        ConfiguredApp config(app, "jre_order s");
        EXPECT_EQ(std::string(locateJvmLibrary().c_str()), "");
    }
    forgetLocatedJvmLibrary();
    ConfiguredApp config(app, "jre_order i");
    EXPECT_EQ(std::string(locateJvmLibrary().c_str()), lib);
}

TEST_F(RuntimeRegistry, HomeOutsideTheAnsiCodePageIsHandedOnInItsShortForm) {
    // "Ωjre": the record holds the full name in UTF-16; the runtime is loaded by a path in
    // ANSI, its short form.
    std::wstring longHome =
        std::wstring(runtimes.root().begin(), runtimes.root().end()) + L"\\\x03A9jre";
    ASSERT_TRUE(CreateDirectoryW(longHome.c_str(), nullptr));
    wchar_t shortWide[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(longHome.c_str(), shortWide, MAX_PATH), 0u);
    std::string shortHome(shortWide, shortWide + wcslen(shortWide));
    std::string shortName = shortHome.substr(shortHome.find_last_of('\\') + 1);
    runtimes.file(shortName + "/bin/server/jvm.dll");

    setText(kJre, "CurrentVersion", "1.6");
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\JRE\\1.6", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(handle, L"JavaHome", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(longHome.c_str()),
                             static_cast<DWORD>((longHome.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(handle);

    ConfiguredApp config(app, "");
    std::string found = read(kJre);
    EXPECT_EQ(found.compare(0, shortHome.size(), shortHome), 0) << found;
    EXPECT_NE(GetFileAttributesA(found.c_str()), INVALID_FILE_ATTRIBUTES) << found;
    EXPECT_EQ(found.find('?'), std::string::npos) << found;
    // The scratch tree removes by ANSI names, which cannot reach this directory.
    DeleteFileW((longHome + L"\\bin\\server\\jvm.dll").c_str());
    RemoveDirectoryW((longHome + L"\\bin\\server").c_str());
    RemoveDirectoryW((longHome + L"\\bin").c_str());
    RemoveDirectoryW(longHome.c_str());
}

TEST_F(RuntimeRegistry, DefaultOrderReachesTheRegistryAfterTheApplicationSources) {
    std::string lib = home() + "\\bin\\client\\jvm.dll";
    record(kJre, lib, "");
    runtimes.file("env/jvm.dll");
    EnvironmentScope env("JAVA_HOME", runtimes.path("env").c_str());
    ConfiguredApp config(app, "jvmdll missing.dll");
    EXPECT_EQ(std::string(locateJvmLibrary().c_str()), lib);
}

}  // namespace
