#include "version_info.h"

#include <gtest/gtest.h>

#include "byte_order.h"
#include "windows_resources.h"

namespace wynpack {
namespace {

// What windres makes of a stub's script with a German string table:
//   VALUE "ProductName", "other"
//   VALUE "LauncherVersion", "wyn " "9.8.7"
const std::string kWindresVersionInfo(
    "\x44\x01\x34\x00\x00\x00\x56\x00\x53\x00\x5f\x00\x56\x00\x45\x00\x52\x00\x53\x00"
    "\x49\x00\x4f\x00\x4e\x00\x5f\x00\x49\x00\x4e\x00\x46\x00\x4f\x00\x00\x00\x00\x00"
    "\xbd\x04\xef\xfe\x00\x00\x01\x00\x08\x00\x09\x00\x00\x00\x07\x00\x08\x00\x09\x00"
    "\x00\x00\x07\x00\x00\x00\x00\x00\x00\x00\x00\x00\x04\x00\x04\x00\x01\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xa4\x00\x00\x00\x01\x00\x53\x00"
    "\x74\x00\x72\x00\x69\x00\x6e\x00\x67\x00\x46\x00\x69\x00\x6c\x00\x65\x00\x49\x00"
    "\x6e\x00\x66\x00\x6f\x00\x00\x00\x80\x00\x00\x00\x01\x00\x30\x00\x34\x00\x30\x00"
    "\x37\x00\x30\x00\x34\x00\x42\x00\x30\x00\x00\x00\x2c\x00\x06\x00\x01\x00\x50\x00"
    "\x72\x00\x6f\x00\x64\x00\x75\x00\x63\x00\x74\x00\x4e\x00\x61\x00\x6d\x00\x65\x00"
    "\x00\x00\x00\x00\x6f\x00\x74\x00\x68\x00\x65\x00\x72\x00\x00\x00\x3c\x00\x0a\x00"
    "\x01\x00\x4c\x00\x61\x00\x75\x00\x6e\x00\x63\x00\x68\x00\x65\x00\x72\x00\x56\x00"
    "\x65\x00\x72\x00\x73\x00\x69\x00\x6f\x00\x6e\x00\x00\x00\x00\x00\x77\x00\x79\x00"
    "\x6e\x00\x20\x00\x39\x00\x2e\x00\x38\x00\x2e\x00\x37\x00\x00\x00\x44\x00\x00\x00"
    "\x01\x00\x56\x00\x61\x00\x72\x00\x46\x00\x69\x00\x6c\x00\x65\x00\x49\x00\x6e\x00"
    "\x66\x00\x6f\x00\x00\x00\x00\x00\x24\x00\x04\x00\x00\x00\x54\x00\x72\x00\x61\x00"
    "\x6e\x00\x73\x00\x6c\x00\x61\x00\x74\x00\x69\x00\x6f\x00\x6e\x00\x00\x00\x00\x00"
    "\x07\x04\xb0\x04",
    324);

VersionFields applicationFields(const std::string& launcherVersion) {
    VersionFields fields;
    fields.fileVersion = "2.1";
    fields.productVersion = "2.1";
    fields.strings = {{"CompanyName", "Example Ltd"}, {"FileVersion", "2.1"}};
    if (!launcherVersion.empty()) {
        fields.strings.emplace_back("LauncherVersion", launcherVersion);
    }
    return fields;
}

std::vector<ResourceEntry> stubWithVersionInfo(std::string data) {
    ResourceEntry entry;
    entry.type = ResourceKey::number(kResourceVersion);
    entry.name = ResourceKey::number(1);
    entry.language = kLanguageEnglishUs;
    entry.data = std::move(data);
    return {entry};
}

TEST(VersionInfo, StringsAreFoundInWrittenAndCompiledResources) {
    std::u16string value;
    std::string written = buildVersionInfo(applicationFields("wyn 2.3.4"));
    ASSERT_TRUE(findVersionString(written, u"LauncherVersion", value));
    EXPECT_EQ(value, u"wyn 2.3.4");
    ASSERT_TRUE(findVersionString(written, u"CompanyName", value));
    EXPECT_EQ(value, u"Example Ltd");
    EXPECT_FALSE(findVersionString(written, u"ProductName", value));

    ASSERT_TRUE(findVersionString(kWindresVersionInfo, u"LauncherVersion", value));
    EXPECT_EQ(value, u"wyn 9.8.7");
    ASSERT_TRUE(findVersionString(kWindresVersionInfo, u"ProductName", value));
    EXPECT_EQ(value, u"other");
    EXPECT_FALSE(findVersionString(kWindresVersionInfo, u"Translation", value));
}

TEST(VersionInfo, DamagedResourcesDoNotHaveTheString) {
    std::string resource = kWindresVersionInfo;
    std::u16string value;
    // Cut anywhere: the string is either missing or read no further than what is left.
    for (size_t cut = 0; cut < resource.size(); ++cut) {
        std::string part = resource.substr(0, cut);
        if (findVersionString(part, u"LauncherVersion", value)) {
            EXPECT_EQ(std::u16string(u"wyn 9.8.7").rfind(value, 0), 0u) << cut;
        }
    }
    // Lengths larger than their parent, or too small for a header.
    for (uint32_t rootLength : {0u, 5u, 0xFFFFu}) {
        std::string damaged = resource;
        putLittleEndian16(damaged, 0, rootLength);
        EXPECT_FALSE(findVersionString(damaged, u"LauncherVersion", value)) << rootLength;
    }
    std::string wrongRoot = resource;
    putLittleEndian16(wrongRoot, 6, 'X');
    EXPECT_FALSE(findVersionString(wrongRoot, u"LauncherVersion", value));
}

TEST(VersionInfo, LauncherVersionComesFromTheStubOrThePacker) {
    struct Case {
        const char* what;
        std::vector<ResourceEntry> stub;
        std::string expected;
    };
    const std::string packers = "wyn 0.1.0";
    const Case cases[] = {
        {"stub of another build", stubWithVersionInfo(kWindresVersionInfo), "wyn 9.8.7"},
        {"stub with it written", stubWithVersionInfo(buildVersionInfo(applicationFields("wyn 3"))),
         "wyn 3"},
        {"stub without version information", {}, packers},
        {"stub without the string", stubWithVersionInfo(buildVersionInfo(applicationFields(""))),
         packers},
        {"control character",
         stubWithVersionInfo(buildVersionInfo(applicationFields("wyn 1\r\nEvil: yes"))), packers},
        {"not ASCII", stubWithVersionInfo(buildVersionInfo(applicationFields("wyn \xC3\xA9"))),
         packers},
        {"too long",
         stubWithVersionInfo(buildVersionInfo(applicationFields("wyn " + std::string(61, '9')))),
         packers},
        {"damaged", stubWithVersionInfo(kWindresVersionInfo.substr(0, 40)), packers},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(launcherVersionOf(c.stub), c.expected) << c.what;
    }
    EXPECT_EQ(launcherVersionOf(stubWithVersionInfo(
                  buildVersionInfo(applicationFields("wyn " + std::string(60, '9'))))),
              "wyn " + std::string(60, '9'));
}

}  // namespace
}  // namespace wynpack
