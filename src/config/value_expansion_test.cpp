#include "config/value_expansion.h"

#include <gtest/gtest.h>

#include <string>

#include "config/config_store.h"
#include "platform/env.h"
#include "support/payload_builder.h"

namespace {

std::string str(const TextString& t) {
    return std::string(t.c_str(), t.length());
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
        const char* old = platform::getEnv(name.c_str());
        had_ = old != nullptr;
        if (had_) {
            old_ = old;
        }
        set(value);
    }
    ~ScopedEnv() { set(had_ ? old_ : ""); }

  private:
    void set(const std::string& value) { platform::putEnv((name_ + "=" + value).c_str()); }
    std::string name_, old_;
    bool had_ = false;
};

class ExpansionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CraftedExecutable exe;
        exe.config = "k v";
        exePath = dir.writeExecutable(exe, "tool.exe");
        store.loadFrom(exePath.c_str());
    }
    std::string run(const char* source, bool toUtf8 = false) {
        return str(expand(source, toUtf8, &store));
    }

    ScratchDirectory dir;
    std::string exePath;
    ConfigStore store{false};
};

TEST_F(ExpansionTest, TheFourFormsOfAReference) {
    ScopedEnv env("WYN_TEST_PLACE", "there");
    for (const char* source :
         {"%WYN_TEST_PLACE%", "%{WYN_TEST_PLACE}%", "$WYN_TEST_PLACE", "${WYN_TEST_PLACE}"}) {
        EXPECT_EQ(run(source), "there") << source;
        EXPECT_EQ(run((std::string("<") + source + ">").c_str()), "<there>") << source;
    }
}

TEST_F(ExpansionTest, PlainNameEndsAtTheFirstOtherByte) {
    ScopedEnv env("WYN_TEST_DIR", "/opt/x");
    EXPECT_EQ(run("$WYN_TEST_DIR/lib/a.jar"), "/opt/x/lib/a.jar");
    EXPECT_EQ(run("$WYN_TEST_DIR.jar"), "/opt/x.jar");
    EXPECT_EQ(run("$WYN_TEST_DIR_MORE/x"), "$WYN_TEST_DIR_MORE/x");
}

TEST_F(ExpansionTest, DoubledIntroducersAndLoneOnes) {
    struct Case {
        const char* source;
        const char* expected;
    } cases[] = {
        {"100%%", "100%"},
        {"$$HOME", "$HOME"},
        {"a % b", "a % b"},
        {"ends in %", "ends in %"},
        {"ends in $", "ends in $"},
        {"%", "%"},
        {"$ and $", "$ and $"},
        {"%%%%", "%%"},
        {"%{unclosed", "%{unclosed"},
        {"50% off", "50% off"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.source), c.expected) << c.source;
    }
}

TEST_F(ExpansionTest, UnclosedPercentReferenceStaysAndScanningGoesOn) {
    ScopedEnv env("WYN_TEST_X", "x");
    EXPECT_EQ(run("%WYN_TEST_X and %WYN_TEST_X%"), "%WYN_TEST_X and x");
}

TEST_F(ExpansionTest, UnknownNamesStayLiterally) {
    ScopedEnv env("WYN_TEST_KNOWN", "k");
    EXPECT_EQ(run("%WYN_NO_SUCH_NAME%%WYN_TEST_KNOWN%"), "%WYN_NO_SUCH_NAME%k");
    EXPECT_EQ(run("${WYN_NO_SUCH_NAME}/$WYN_TEST_KNOWN"), "${WYN_NO_SUCH_NAME}/k");
    EXPECT_EQ(run("$WYN_NO_SUCH_NAME"), "$WYN_NO_SUCH_NAME");
}

TEST_F(ExpansionTest, InsertedValuesAreNotScannedAgain) {
    ScopedEnv a("WYN_TEST_OUTER", "%WYN_TEST_INNER%");
    ScopedEnv b("WYN_TEST_INNER", "inner");
    EXPECT_EQ(run("%WYN_TEST_OUTER%"), "%WYN_TEST_INNER%");
}

TEST_F(ExpansionTest, BraceFormRunsToTheEndWithoutClosingBrace) {
    ScopedEnv env("WYN_TEST_OPEN", "open");
    EXPECT_EQ(run("x${WYN_TEST_OPEN"), "xopen");
}

TEST_F(ExpansionTest, BuiltinVariables) {
    ScopedEnv cwdEnv("PWD", "");  // the shell's PWD would otherwise win
    std::string directory = str(store.exeDirectory());
    ASSERT_EQ(directory, dir.path());
    EXPECT_EQ(run("%APPLICATION_HOME%app.jar"), directory + "app.jar");
    EXPECT_EQ(run("%application_home%app.jar"), directory + "app.jar");
    EXPECT_EQ(run("${WYN_APP_PATH}"), exePath);
    EXPECT_EQ(run("$pwd"), str(store.currentDirectory()));
}

// Linux shells export PWD, so there the launcher's own path variables win over the
// environment; Windows asks the environment first.
TEST_F(ExpansionTest, OwnPathVariablesAndTheEnvironment) {
    ScopedEnv home("APPLICATION_HOME", "from-env/");
    ScopedEnv pwd("PWD", "/from/the/shell");
    ScopedEnv path("WYN_APP_PATH", "from-env.exe");
    bool ownFirst = platform::ownPathVariablesFirst();
    EXPECT_EQ(run("%APPLICATION_HOME%"), ownFirst ? dir.path() : "from-env/");
    EXPECT_EQ(run("%PWD%"), ownFirst ? str(store.currentDirectory()) : "/from/the/shell");
    EXPECT_EQ(run("$WYN_APP_PATH"), ownFirst ? exePath : "from-env.exe");
}

TEST_F(ExpansionTest, HomeFromDriveAndPath) {
    ScopedEnv home("HOME", "");
    {
        ScopedEnv drive("HOMEDRIVE", "C:");
        ScopedEnv path("HOMEPATH", "\\Users\\me");
        EXPECT_EQ(run("%HOME%\\x"), "C:\\Users\\me\\x");
    }
    {
        ScopedEnv drive("HOMEDRIVE", "C:");
        ScopedEnv path("HOMEPATH", "");
        EXPECT_EQ(run("[%HOME%]"), "[]");
    }
}

TEST_F(ExpansionTest, BuiltinsNeedAStoreExceptHome) {
    TextString value;
    EXPECT_FALSE(builtinVariable(nullptr, "APPLICATION_HOME", value));
    EXPECT_TRUE(builtinVariable(nullptr, "HOME", value));
    EXPECT_TRUE(builtinVariable(&store, "Wyn_App_Path", value));
    EXPECT_EQ(str(value), exePath);
    EXPECT_FALSE(builtinVariable(&store, "APPLICATION_HOMEX", value));
}

TEST_F(ExpansionTest, ActiveConfigServesTheBuiltins) {
    ConfigStore* before = activeConfig;
    activeConfig = &store;
    EXPECT_EQ(str(expand("${WYN_APP_PATH}", false)), exePath);
    activeConfig = nullptr;
    EXPECT_EQ(str(expand("${WYN_APP_PATH}", false)), "${WYN_APP_PATH}");
    activeConfig = before;
}

TEST_F(ExpansionTest, RegistryDefaults) {
    struct Case {
        const char* source;
        const char* expected;
    } cases[] = {
        {"${HKCU\\Software\\wyn-test-no-such-key\\Value|fallback}", "fallback"},
        {"%{HKLM\\Software\\wyn-test-no-such-key\\Value|a b c}%", "a b c"},
        {"${HKEY_LOCAL_MACHINE\\Software\\wyn-test-no-such-key|}", ""},
        {"${HKCU\\Software\\wyn-test-no-such-key\\Value}",
         "${HKCU\\Software\\wyn-test-no-such-key\\Value}"},
        {"${not a registry path|plain default}", "plain default"},
        {"${hkcu\\Software\\x|lower-case root is no root}", "lower-case root is no root"},
        {"${no default}", "${no default}"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.source), c.expected) << c.source;
    }
}

TEST_F(ExpansionTest, DefaultMayHoldBarsAndBackslashes) {
    EXPECT_EQ(run("${HKCU\\Software\\wyn-test-no-such-key\\V|C:\\a|b}"), "C:\\a|b");
}

TEST_F(ExpansionTest, Utf8FlagConvertsOnlyInsertedValues) {
    ScopedEnv env("WYN_TEST_ASCII", "plain");
    // The source's own bytes are never converted, with or without the flag.
    EXPECT_EQ(run("caf\xC3\xA9 %WYN_TEST_ASCII%", true), "caf\xC3\xA9 plain");
    EXPECT_EQ(run("caf\xC3\xA9 %WYN_TEST_ASCII%", false), "caf\xC3\xA9 plain");
}

// The segments of a marked expansion, written as [text] for the user's and <text> for an
// inserted value.
std::string segmentsOf(const ExpandedText& expanded) {
    std::string shown;
    for (int32_t i = 0; i < expanded.segmentCount(); ++i) {
        TextView segment = expanded.segment(i);
        std::string text(segment.data, static_cast<size_t>(segment.length));
        shown += expanded.isInserted(i) ? "<" + text + ">" : "[" + text + "]";
    }
    return shown;
}

TEST_F(ExpansionTest, MarkedExpansionTellsInsertedValuesFromTheUsersText) {
    ScopedEnv hostile("WYN_TEST_HOSTILE", "a b'\"$(x)`y`;%PATH%");
    ScopedEnv word("WYN_TEST_WORD", "w");
    struct Case {
        const char* source;
        const char* segments;
    } cases[] = {
        {"|cat >> ${WYN_TEST_WORD}.log", "[|cat >> ]<w>[.log]"},
        {"%WYN_TEST_HOSTILE%", "<a b'\"$(x)`y`;%PATH%>"},
        {"x${WYN_TEST_WORD}%WYN_TEST_WORD%y", "[x]<ww>[y]"},
        {"[${empty default|}]", "[[]<>[]]"},
        {"${empty default|}", "<>"},
        {"100%% $$HOME", "[100% $HOME]"},
        {"$$%WYN_TEST_WORD%", "[$]<w>"},
        {"%WYN_NO_SUCH_NAME% ${WYN_NO_SUCH_NAME}", "[%WYN_NO_SUCH_NAME% ${WYN_NO_SUCH_NAME}]"},
        {"${not a registry path|de fault}", "<de fault>"},
        {"plain", "[plain]"},
        {"", ""},
    };
    for (const Case& c : cases) {
        ExpandedText marked = expandMarked(c.source, false, &store);
        EXPECT_EQ(segmentsOf(marked), c.segments) << c.source;
        EXPECT_EQ(str(marked.text()), run(c.source)) << "the text is what expand gives";
    }
}

TEST_F(ExpansionTest, ExpandedTextTailKeepsTheSegments) {
    ScopedEnv word("WYN_TEST_WORD", "w x");
    ExpandedText marked = expandMarked("|${empty default|}a${WYN_TEST_WORD}b", false, &store);
    EXPECT_EQ(segmentsOf(marked.tail(1)), "<>[a]<w x>[b]");
    EXPECT_EQ(segmentsOf(marked.tail(3)), "< x>[b]");
    EXPECT_EQ(segmentsOf(marked.tail(2)), "<w x>[b]");
    EXPECT_EQ(segmentsOf(marked.tail(marked.text().length())), "");
    EXPECT_TRUE(marked.tail(0).sameAs(marked));
    EXPECT_FALSE(marked.sameAs(ExpandedText("|aw xb")))
        << "the same bytes with other segments are another value";
    EXPECT_TRUE(ExpandedText("|aw xb").sameAs(ExpandedText("|aw xb")));
}

}  // namespace
