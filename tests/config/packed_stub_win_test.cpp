// The string table of the real Windows launcher stub.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(StubResources, StringTableHoldsTheDefaultMessages) {
    const char* stub = std::getenv("WYN_TEST_STUB");
    ASSERT_NE(stub, nullptr);
    HMODULE module = LoadLibraryExA(stub, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << stub;
    struct Case {
        UINT id;
        const char* text;
    } cases[] = {
        {1, "Java Runtime Environment not found."},
        {6, "Java virtual machine version %s is too low, require %s or higher."},
        {10, "Error"},
        {12, "Java virtual machine version %s is too high, version between %s and %s is required."},
        {13, "There is already an instance of this program running."},
    };
    for (const Case& c : cases) {
        char buffer[256] = {};
        int n = LoadStringA(module, c.id, buffer, sizeof(buffer));
        EXPECT_EQ(std::string(buffer, n > 0 ? n : 0), c.text) << c.id;
    }
    char buffer[16] = {};
    EXPECT_EQ(LoadStringA(module, 99, buffer, sizeof(buffer)), 0);
    FreeLibrary(module);
}

}  // namespace
