#include "launcher/launch_thread_stack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

unsigned sizeFor(const std::vector<std::string>& options) {
    StringList list;
    for (const std::string& option : options) {
        list.addString(option.c_str());
    }
    return launchThreadStackSize(list);
}

TEST(LaunchThreadStack, TheLastXssOptionSetsTheSize) {
    struct Case {
        std::vector<std::string> options;
        unsigned expected;
    };
    const Case cases[] = {
        {{}, 0},
        {{"-Xmx512m", "-Dx=-Xss4m"}, 0},
        {{"-Xss4m"}, 4u << 20},
        {{"-Xss4M"}, 4u << 20},
        {{"-Xss2048k"}, 2u << 20},
        {{"-Xss2048K"}, 2u << 20},
        {{"-Xss1g"}, 1u << 30},
        {{"-Xss3145728"}, 3u << 20},
        {{"-Xss1m", "-Xmx1g", "-Xss8m"}, 8u << 20},
        {{"-Xss8m", "-Xss1m"}, 1u << 20},
        {{"-Xss64k"}, 256u << 10},  // raised to the launcher's own need
        {{"-Xss2g"}, 0},            // more than the runtime accepts
        {{"-Xss99999999999999999999"}, 0},
        {{"-Xss"}, 0},
        {{"-Xss4mb"}, 0},
        {{"-Xssm"}, 0},
        {{"-xss4m"}, 0},            // options are case-sensitive
        {{"-Xss8m", "-Xss4x"}, 0},  // the last one counts, and names no size
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& option : c.options) {
            shown += option + " ";
        }
        EXPECT_EQ(sizeFor(c.options), c.expected) << shown;
    }
}

}  // namespace
