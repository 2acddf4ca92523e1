// The administrators-only directories of elevated programs on Windows: the access list the
// launcher builds, and the check that decides whether a directory may hold the runtime an
// elevated program loads, over a table of descriptors. (Wine grants every access whatever a
// list says, so only the lists themselves are checked here.)
#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/admin_directory_win.h"
#include "platform/runtime_cache_root.h"
#include "support/scratch_tree.h"

namespace {

bool onlyAdministrators(const std::string& descriptorText) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        descriptorText.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        << descriptorText;
    bool only = platform::onlyAdministratorsMayWrite(descriptor);
    LocalFree(descriptor);
    return only;
}

TEST(AdministratorsOnlyDirectory, TheLauncherOwnListPassesItsCheck) {
    EXPECT_TRUE(onlyAdministrators(platform::kAdministratorsOnlyDescriptor));
    std::string text = platform::kAdministratorsOnlyDescriptor;
    EXPECT_EQ(text.rfind("O:BA", 0), 0u) << "owned by Administrators";
    EXPECT_NE(text.find("D:PAI"), std::string::npos) << "protected: nothing inherited from above";
    EXPECT_NE(text.find("(A;OICI;0x1200a9;;;BU)"), std::string::npos) << "Users read and execute";
}

TEST(AdministratorsOnlyDirectory, ListsThatLetOthersWriteAreRefused) {
    struct Case {
        const char* name;
        const char* descriptor;
        bool only;
    };
    const Case cases[] = {
        {"SYSTEM and Administrators only", "O:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},
        {"everyone may read", "O:BAD:P(A;;FA;;;BA)(A;;0x1200a9;;;WD)", true},
        {"creator owner, for children only", "O:BAD:P(A;;FA;;;BA)(A;OICIIO;FA;;;CO)", true},
        {"a denial for users", "O:BAD:P(A;;FA;;;BA)(D;;FA;;;BU)", true},
        {"owned by TrustedInstaller",
         "O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:P(A;;FA;;;BA)", true},
        {"owned by Users", "O:BUD:P(A;;FA;;;BA)", false},
        {"owned by everyone", "O:WDD:P(A;;FA;;;BA)", false},
        {"users may write", "O:BAD:P(A;;FA;;;BA)(A;;FW;;;BU)", false},
        {"authenticated users may modify", "O:BAD:P(A;;FA;;;BA)(A;OICI;0x1301bf;;;AU)", false},
        {"users may change the list", "O:BAD:P(A;;FA;;;BA)(A;;WD;;;BU)", false},
        {"users may take ownership", "O:BAD:P(A;;FA;;;BA)(A;;WO;;;BU)", false},
        {"users may delete children", "O:BAD:P(A;;FA;;;BA)(A;;0x40;;;BU)", false},
        {"everyone has everything", "O:BAD:P(A;;GA;;;WD)", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(onlyAdministrators(c.descriptor), c.only) << c.name;
    }
}

TEST(AdministratorsOnlyDirectory, ANullListGrantsEveryoneEverything) {
    // Built by hand: Wine turns the text "D:NO_ACCESS_CONTROL" into an empty list instead.
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    PSID administrators = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidA("S-1-5-32-544", &administrators));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&descriptor, administrators, FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
    EXPECT_FALSE(platform::onlyAdministratorsMayWrite(&descriptor));
    LocalFree(administrators);
}

TEST(AdministratorsOnlyDirectory, ADirectoryMadeWithTheListPassesTheCheck) {
    ScratchTree tree;
    std::string made = tree.path("admins");
    ASSERT_TRUE(platform::createAdministratorsOnlyDirectory(made.c_str()));
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoA(made.c_str(), SE_FILE_OBJECT,
                                    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, nullptr, nullptr, &descriptor),
              ERROR_SUCCESS);
    char* text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorA(
        descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text,
        nullptr);
    std::string readBack = text != nullptr ? text : "";
    LocalFree(text);
    LocalFree(descriptor);
    if (readBack.rfind("O:BA", 0) != 0) {
        GTEST_SKIP() << "this system keeps no access lists on its files (Wine): read back "
                     << readBack;
    }
    EXPECT_TRUE(platform::writableOnlyByAdministrators(made.c_str())) << readBack;
    std::string plain = tree.directory("plain");
    EXPECT_FALSE(platform::writableOnlyByAdministrators(plain.c_str()))
        << "a directory made the ordinary way";
}

TEST(AdministratorsOnlyDirectory, AMissingDirectoryIsNotTrusted) {
    EXPECT_FALSE(platform::writableOnlyByAdministrators("C:\\no\\such\\wyn\\directory"));
}

}  // namespace
