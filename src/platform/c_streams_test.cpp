// Text handed over with a stream of this module's C library lands in that stream.
#include "platform/c_streams.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void ownCode() {}

TEST(CStreams, TextReachesTheCallersStream) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const std::string text = "Invalid maximum heap size: -Xmx9g\n";
    platform::writeToCallersStream(file, text.data(), text.size(),
                                   reinterpret_cast<const void*>(&ownCode));
    std::rewind(file);
    char buffer[128] = {};
    size_t n = std::fread(buffer, 1, sizeof(buffer), file);
    std::fclose(file);
    EXPECT_EQ(std::string(buffer, n), text);
}

}  // namespace
