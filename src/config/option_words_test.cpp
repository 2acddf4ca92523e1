#include "config/option_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Values = std::vector<std::string>;

Values joined(const Values& values) {
    StringList list;
    for (const std::string& value : values) {
        list.addString(value.c_str());
    }
    StringList target;
    target.addString("-Dbefore");
    appendJoiningTwoWordOptions(list, target);
    Values result;
    for (int32_t i = 1; i < target.count(); ++i) {
        result.emplace_back(target.stringAt(i));
    }
    return result;
}

TEST(OptionWords, TwoWordOptionsAreJoinedAsJavaJoinsThem) {
    struct Case {
        const char* name;
        Values values;
        Values expected;
    } cases[] = {
        {"two words on one line",
         {"--add-opens java.base/java.lang=ALL-UNNAMED"},
         {"--add-opens=java.base/java.lang=ALL-UNNAMED"}},
        {"blanks and tabs around and between the words",
         {"  --add-exports \t java.desktop/sun.awt=ALL-UNNAMED  "},
         {"--add-exports=java.desktop/sun.awt=ALL-UNNAMED"}},
        {"the value on the next line",
         {"--add-modules", "java.sql", "-Xmx64m"},
         {"--add-modules=java.sql", "-Xmx64m"}},
        {"-p is the module path", {"-p", "mods"}, {"--module-path=mods"}},
        {"-p with its value on one line", {"-p mods"}, {"--module-path=mods"}},
        {"a value with blanks stays whole",
         {"--module-path /opt/my mods/lib"},
         {"--module-path=/opt/my mods/lib"}},
        {"every listed option",
         {"--upgrade-module-path u", "--enable-native-access ALL-UNNAMED", "--limit-modules l",
          "--add-reads r=s", "--patch-module m=p"},
         {"--upgrade-module-path=u", "--enable-native-access=ALL-UNNAMED", "--limit-modules=l",
          "--add-reads=r=s", "--patch-module=m=p"}},
        {"the one-word form stays", {"--add-opens=a/b=c"}, {"--add-opens=a/b=c"}},
        {"a last option without value stays", {"-Da", "--add-opens"}, {"-Da", "--add-opens"}},
        {"letter case is significant", {"--Add-Opens a/b=c"}, {"--Add-Opens a/b=c"}},
        {"other options stay as written",
         {"-Xmx64m", "-Dx=a b", "-p"},
         {"-Xmx64m", "-Dx=a b", "-p"}},
        {"an option that merely begins like one stays", {"--add-opensx a"}, {"--add-opensx a"}},
        {"the value taken is the whole next line",
         {"--add-modules", "-Xmx64m"},
         {"--add-modules=-Xmx64m"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(joined(c.values), c.expected) << c.name;
    }
}

TEST(OptionWords, OnlyJavasTwoWordOptionsHaveALongName) {
    EXPECT_STREQ(twoWordOptionName("-p"), "--module-path");
    EXPECT_STREQ(twoWordOptionName("--add-opens"), "--add-opens");
    EXPECT_EQ(twoWordOptionName("--add-opens="), nullptr);
    EXPECT_EQ(twoWordOptionName("-cp"), nullptr);
    EXPECT_EQ(twoWordOptionName(""), nullptr);
}

}  // namespace
