#include "config/config_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/env.h"
#include "support/payload_builder.h"

namespace {

using Values = std::vector<std::string>;

std::string str(const TextString& t) {
    return std::string(t.c_str(), t.length());
}

// A crafted executable with the given embedded text, and optionally an external file beside
// it (raw bytes, written as app.exe.cfg), loaded into a store.
class StoreTest : public ::testing::Test {
  protected:
    void load(const std::string& embedded, const std::string* external = nullptr) {
        CraftedExecutable exe;
        exe.config = embedded;
        exePath = dir.writeExecutable(exe);
        if (external != nullptr) {
            ASSERT_TRUE(writeBytes(dir.file("app.exe.cfg"), *external));
        }
        store.loadFrom(exePath.c_str());
    }
    void loadWithExternal(const std::string& embedded, const std::string& external) {
        load(embedded, &external);
    }

    Values collect(const char* key, bool embeddedOnly = false) {
        StringList list;
        store.collectValues(key, list, embeddedOnly);
        Values values;
        for (int32_t i = 0; i < list.count(); ++i) {
            values.emplace_back(list.stringAt(i));
        }
        return values;
    }

    // Whether a line matches key at all (a matching line may have an empty value).
    int matchCount(const char* key) {
        int count = 0;
        store.lookup(
            key, [](void* c, const TextString&) { ++*static_cast<int*>(c); }, &count, false, true,
            TextView());
        return count;
    }

    ScratchDirectory dir;
    std::string exePath;
    ConfigStore store{false};
};

TEST_F(StoreTest, LookupRules) {
    struct Case {
        const char* line;
        const char* key;
        bool matches;
        const char* value;
    } cases[] = {
        {"mainclass Main", "mainclass", true, "Main"},
        {"MAINCLASS Main", "mainclass", true, "Main"},
        {"MainClass Main", "MAINCLASS", true, "Main"},
        {"mainclass=Main", "mainclass", true, "Main"},
        {"   mainclass   =   Main  ", "mainclass", true, "Main  "},
        {"mainclass  Main two  ", "mainclass", true, "Main two  "},
        {"mainclass\tMain", "mainclass", true, "\tMain"},
        {"mainclass == Main", "mainclass", true, "= Main"},
        {"mainclass", "mainclass", true, ""},
        {"mainclass   ", "mainclass", true, ""},
        {"mainclass=", "mainclass", true, ""},
        {"\tmainclass Main", "mainclass", false, ""},
        {"mainclassX Main", "mainclass", false, ""},
        {"mainclass1 Main", "mainclass", false, ""},
        {"mainclass_x Main", "mainclass", false, ""},
        {"option-Xmx1g", "option", true, "-Xmx1g"},
        {"option.x y", "option", true, ".x y"},
        {"main", "mainclass", false, ""},
        {"", "mainclass", false, ""},
    };
    for (const Case& c : cases) {
        load(std::string(c.line) + "\r\nother line");
        EXPECT_EQ(matchCount(c.key), c.matches ? 1 : 0) << '"' << c.line << '"';
        EXPECT_EQ(str(store.getValue(c.key)), c.value) << '"' << c.line << '"';
    }
}

TEST_F(StoreTest, AllLineEndsSeparateKeys) {
    load("a 1\rb 2\nc 3\r\nd 4\n\re 5");
    for (const auto& [key, value] : std::vector<std::pair<const char*, const char*>>{
             {"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}}) {
        EXPECT_EQ(str(store.getValue(key)), value) << key;
    }
}

TEST_F(StoreTest, ExternalValueWinsOverEmbedded) {
    loadWithExternal("minjre 1.6\r\noption -Demb\r\nmainclass Emb",
                     "minjre 1.8\r\noption -Dext\r\nmainclass Ext");
    EXPECT_EQ(str(store.minJre()), "1.8");
    EXPECT_EQ(collect("option"), (Values{"-Dext", "-Demb"}));
    EXPECT_EQ(collect("option", true), (Values{"-Demb"}));
}

// The runtime takes the last -Xmx and the last value of a property: the external file's
// options and properties come last so that they win; other repeatable keys keep text order.
TEST_F(StoreTest, ExternalOptionsAndPropertiesComeAfterTheEmbeddedOnes) {
    loadWithExternal("option -Xmx256m\r\nproperty mode=shipped\r\noption -Demb\r\nargv emb",
                     "option -Xmx128m\r\nproperty mode=tuned\r\nargv ext");
    auto list = [](void (ConfigStore::*collector)(StringList&) const, const ConfigStore& s) {
        StringList values;
        (s.*collector)(values);
        Values result;
        for (int32_t i = 0; i < values.count(); ++i) {
            result.emplace_back(values.stringAt(i));
        }
        return result;
    };
    EXPECT_EQ(list(&ConfigStore::collectOptions, store), (Values{"-Xmx256m", "-Demb", "-Xmx128m"}));
    EXPECT_EQ(list(&ConfigStore::collectProperties, store), (Values{"mode=shipped", "mode=tuned"}));
    EXPECT_EQ(list(&ConfigStore::collectArgv, store), (Values{"ext", "emb"}));

    loadWithExternal("disableexternal true\r\noption -Xmx256m", "option -Xmx128m");
    EXPECT_EQ(list(&ConfigStore::collectOptions, store), (Values{"-Xmx256m"}));
    ASSERT_TRUE(std::filesystem::remove(dir.file("app.exe.cfg")));
    load("option -Xmx256m\r\noption -Da");
    EXPECT_EQ(list(&ConfigStore::collectOptions, store), (Values{"-Xmx256m", "-Da"}));
}

// `java` takes a module option and its value as two words; the runtime only as one. The two
// are joined within the embedded text and within the external file, never across them.
TEST_F(StoreTest, TwoWordOptionsAreJoinedWithinEachSource) {
    loadWithExternal(
        "option --add-opens\r\noption java.base/java.lang=ALL-UNNAMED\r\n"
        "option --add-modules",
        "option ext/pkg=ALL-UNNAMED\r\noption --add-exports a/b=c");
    StringList options;
    store.collectOptions(options);
    Values values;
    for (int32_t i = 0; i < options.count(); ++i) {
        values.emplace_back(options.stringAt(i));
    }
    EXPECT_EQ(values, (Values{"--add-opens=java.base/java.lang=ALL-UNNAMED", "--add-modules",
                              "ext/pkg=ALL-UNNAMED", "--add-exports=a/b=c"}));
}

TEST_F(StoreTest, EmbeddedOnlyKeysIgnoreTheExternalFile) {
    loadWithExternal("mainclass Emb", "mainclass Ext\r\ndisableexternal false");
    EXPECT_EQ(str(store.mainClass()), "Emb");
    EXPECT_EQ(str(store.getValue("mainclass")), "Ext");
    EXPECT_EQ(str(store.disableExternal()), "");
}

TEST_F(StoreTest, EmptyLineInTheExternalFileHidesTheEmbeddedValue) {
    loadWithExternal("minjre 1.6", "minjre");
    EXPECT_EQ(str(store.minJre()), "");
}

TEST_F(StoreTest, TextLayoutWithAndWithoutExternalFile) {
    load("k v");
    EXPECT_EQ(store.embeddedStart(), 0);
    EXPECT_EQ(str(store), std::string("k v") + '\0');

    loadWithExternal("k v", "x y");
    EXPECT_EQ(store.embeddedStart(), 5);
    EXPECT_EQ(str(store), std::string("x y\r\nk v") + '\0');
}

TEST_F(StoreTest, EmptyExternalFileAddsNoLineEnd) {
    loadWithExternal("k v", "");
    EXPECT_EQ(store.embeddedStart(), 0);
    EXPECT_EQ(str(store), std::string("k v") + '\0');
}

TEST_F(StoreTest, DisableExternalInTheEmbeddedText) {
    for (const char* setting :
         {"disableexternal true", "DisableExternal TRUE", "disableexternal=True"}) {
        loadWithExternal(std::string(setting) + "\r\nminjre 1.6", "minjre 1.8\r\nonlyexternal 1");
        EXPECT_EQ(str(store.minJre()), "1.6") << setting;
        EXPECT_EQ(str(store.getValue("onlyexternal")), "") << setting;
        EXPECT_EQ(store.embeddedStart(), 0);
    }
}

TEST_F(StoreTest, DisableExternalOtherValuesOrInTheExternalFileHaveNoEffect) {
    struct Case {
        const char* embedded;
        const char* external;
    } cases[] = {
        {"disableexternal false\r\nminjre 1.6", "minjre 1.8"},
        {"disableexternal true \r\nminjre 1.6", "minjre 1.8"},  // trailing blank kept
        {"disableexternal 1\r\nminjre 1.6", "minjre 1.8"},
        {"minjre 1.6", "disableexternal true\r\nminjre 1.8"},
    };
    for (const Case& c : cases) {
        loadWithExternal(c.embedded, c.external);
        EXPECT_EQ(str(store.minJre()), "1.8") << c.embedded << " / " << c.external;
    }
}

TEST_F(StoreTest, ExternalFileEncodingsGiveTheSameText) {
    std::string lines = "mainclass Main\r\nsplashtitle Caf\xC3\xA9 \xE2\x82\xAC";
    const char16_t wide[] = u"mainclass Main\r\nsplashtitle Caf\u00e9 \u20ac";
    std::string le("\xFF\xFE", 2), be("\xFE\xFF", 2);
    for (const char16_t* p = wide; *p != 0; ++p) {
        le += {static_cast<char>(*p & 0xFF), static_cast<char>(*p >> 8)};
        be += {static_cast<char>(*p >> 8), static_cast<char>(*p & 0xFF)};
    }
    loadWithExternal("k v", "\xEF\xBB\xBF" + lines);
    std::string utf8Text = str(store);
    EXPECT_EQ(utf8Text, lines + "\r\nk v" + '\0');
    loadWithExternal("k v", le);
    EXPECT_EQ(str(store), utf8Text);
    loadWithExternal("k v", be);
    EXPECT_EQ(str(store), utf8Text);
}

TEST_F(StoreTest, NulInTheExternalFileEndsOnlyThatFile) {
    loadWithExternal("option -Demb",
                     std::string("\xEF\xBB\xBFminjre 1.8\r\n\0option -Dhidden\r\n", 33));
    EXPECT_EQ(str(store.minJre()), "1.8");
    EXPECT_EQ(collect("option"), (Values{"-Demb"}));
}

TEST_F(StoreTest, RecordedPaths) {
    load("k v");
    EXPECT_EQ(str(store.exePath()), exePath);
    EXPECT_EQ(str(store.exeDirectory()), dir.path());
    TextString cwd = store.currentDirectory();
    ASSERT_FALSE(cwd.empty());
    char last = cwd[cwd.length() - 1];
    EXPECT_TRUE(last == '/' || last == '\\');
}

TEST_F(StoreTest, ExecutableWithoutPayload) {
    exePath = dir.file("plain.exe");
    ASSERT_TRUE(writeBytes(exePath, "MZ nothing behind the image"));
    ASSERT_TRUE(writeBytes(dir.file("plain.cfg"), "minjre 1.8"));
    store.loadFrom(exePath.c_str());
    EXPECT_EQ(str(store.minJre()), "1.8");
    EXPECT_EQ(str(store.mainClass()), "");

    store.loadFrom(dir.file("missing.exe").c_str());
    EXPECT_EQ(str(store), "");
    EXPECT_EQ(str(store.mainClass()), "");
}

TEST_F(StoreTest, FilterMatchesTheBeginningOfAValue) {
    load(
        "option -Xmx1g\r\n"
        "option -XstartOnFirst\r\n"
        "option -xstartonfirstthread\r\n"
        "option -XstartOnFirstThreadAndMore\r\n"
        "option -XstartOnFirstThread\r\n");
    EXPECT_EQ(str(store.startOnFirstThreadOption()), "-XstartOnFirstThreadAndMore");
    load("option -XstartOnFirst\r\noption -XSTARTONFIRSTTHREAD");
    EXPECT_EQ(str(store.startOnFirstThreadOption()), "");
    load("option -XstartOnFirstThread");
    EXPECT_EQ(str(store.startOnFirstThreadOption()), "-XstartOnFirstThread");
}

TEST_F(StoreTest, ValuesComeOutInUtf8WhenAsked) {
    load("splashtitle Caf\xC3\xA9");
    EXPECT_EQ(str(store.getValue("splashtitle", false, false)), "Caf\xC3\xA9");
}

TEST_F(StoreTest, SplashAsAnArchiveEntryName) {
    const std::pair<std::string, std::string> cases[] = {
        {"splash images/splash.png", "images/splash.png"},
        {"splash images\\splash.png", "images/splash.png"},
        {"splash Caf\xC3\xA9.png", "Caf\xC3\xA9.png"},
        {"splash /opt/app/splash.png", ""},
        {"splash \\\\server\\splash.png", ""},
        {"splash C:\\app\\splash.png", ""},
        {"splash", ""},
        {"splashtitle t", ""},
    };
    for (const auto& [line, expected] : cases) {
        load(line);
        EXPECT_EQ(str(store.splashEntry()), expected) << line;
    }
}

TEST_F(StoreTest, CollectValuesExpandsEachValueInTextOrder) {
    ASSERT_TRUE(platform::putEnv("WYN_TEST_COLLECT=collected"));
    loadWithExternal("argv b\r\nargv %WYN_TEST_COLLECT%\r\nargv ${APPLICATION_HOME}x", "argv a");
    EXPECT_EQ(collect("argv"), (Values{"a", "b", "collected", dir.path() + "x"}));
    platform::putEnv("WYN_TEST_COLLECT=");
}

TEST_F(StoreTest, EveryGetterReadsItsKey) {
    ASSERT_TRUE(platform::putEnv("WYN_TEST_GETTER=env"));
    loadWithExternal(
        "appid id-emb\r\nsplash s.png\r\nsplashtitle Title\r\nsplashcloseonwindow true\r\n"
        "wildcard auto\r\nsingleinstance custom\r\nmainclass app.Main\r\nminjre 1.6\r\n"
        "maxjre 17\r\nstdout out-%WYN_TEST_GETTER%.log\r\nstderr err-%WYN_TEST_GETTER%.log\r\n"
        "forcecwd %WYN_TEST_GETTER%-dir\r\ndisableexternal no\r\njre_order cb\r\n"
        "jre ./%WYN_TEST_GETTER%/\r\njvmdll $WYN_TEST_GETTER/jvm.dll\r\n"
        "option -Da=%WYN_TEST_GETTER%\r\nproperty p=%WYN_TEST_GETTER%\r\n"
        "export E=%WYN_TEST_GETTER%\r\nargv %WYN_TEST_GETTER%\r\nmessage 13=%WYN_TEST_GETTER%\r\n"
        "libs lib-%WYN_TEST_GETTER%\r\njava_libs jl-%WYN_TEST_GETTER%",
        "appid id-ext\r\nmainclass ext.Main");
    struct Case {
        const char* name;
        std::function<TextString()> get;
        std::string expected;
    } cases[] = {
        {"appid", [&] { return store.appid(); }, "id-ext"},
        {"splash", [&] { return store.splash(); }, dir.path() + "s.png"},
        {"splashtitle", [&] { return store.splashTitle(); }, "Title"},
        {"splashcloseonwindow", [&] { return store.splashCloseOnWindow(); }, "true"},
        {"wildcard", [&] { return store.wildcard(); }, "auto"},
        {"singleinstance", [&] { return store.singleInstance(); }, "custom"},
        {"mainclass", [&] { return store.mainClass(); }, "app.Main"},
        {"minjre", [&] { return store.minJre(); }, "1.6"},
        {"maxjre", [&] { return store.maxJre(); }, "17"},
        {"stdout", [&] { return store.stdoutTarget().text(); }, "out-env.log"},
        {"stderr", [&] { return store.stderrTarget().text(); }, "err-env.log"},
        {"forcecwd", [&] { return store.forceCwd(); }, "env-dir"},
        {"disableexternal", [&] { return store.disableExternal(); }, "no"},
        {"jre_order", [&] { return store.jreOrder(); }, "cb"},
        {"jre", [&] { return store.jre(); }, "./env/"},
        {"jvmdll", [&] { return store.jvmDll(); }, "env/jvm.dll"},
        {"vm", [&] { return store.vmValue(); }, "-"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(str(c.get()), c.expected) << c.name;
    }
    struct ListCase {
        const char* name;
        void (ConfigStore::*collect)(StringList&) const;
        const char* expected;
    } lists[] = {
        {"option", &ConfigStore::collectOptions, "-Da=env"},
        {"property", &ConfigStore::collectProperties, "p=env"},
        {"export", &ConfigStore::collectExports, "E=env"},
        {"argv", &ConfigStore::collectArgv, "env"},
        {"message", &ConfigStore::collectMessages, "13=env"},
        {"libs", &ConfigStore::collectLibs, "lib-env"},
        {"java_libs", &ConfigStore::collectJavaLibs, "jl-env"},
    };
    for (const ListCase& c : lists) {
        StringList list;
        (store.*c.collect)(list);
        ASSERT_EQ(list.count(), 1) << c.name;
        EXPECT_STREQ(list.stringAt(0), c.expected) << c.name;
    }
    platform::putEnv("WYN_TEST_GETTER=");
}

TEST_F(StoreTest, VmValueIsADashWhenAbsentOrEmpty) {
    load("other 1");
    EXPECT_EQ(str(store.vmValue()), "-");
    EXPECT_EQ(str(store.vmValue()), "-");
    load("vm");
    EXPECT_EQ(str(store.vmValue()), "-");
}

TEST_F(StoreTest, VmValueIsExpandedOnceAndKept) {
    ASSERT_TRUE(platform::putEnv("WYN_TEST_VM=server"));
    load("vm %WYN_TEST_VM%");
    EXPECT_EQ(str(store.vmValue()), "server");
    ASSERT_TRUE(platform::putEnv("WYN_TEST_VM=client"));
    EXPECT_EQ(str(store.vmValue()), "server");
    platform::putEnv("WYN_TEST_VM=");
}

class ResolvePathTest : public StoreTest {
  protected:
    void SetUp() override {
        before = std::filesystem::current_path();
        std::filesystem::current_path(cwd.path());
        load("k v");
        ASSERT_TRUE(writeBytes(dir.file("both.jar"), "x"));
        ASSERT_TRUE(writeBytes(cwd.file("both.jar"), "x"));
        ASSERT_TRUE(writeBytes(cwd.file("cwd.jar"), "x"));
    }
    void TearDown() override { std::filesystem::current_path(before); }

    ScratchDirectory cwd;
    std::filesystem::path before;
};

TEST_F(ResolvePathTest, AnchorsRelativePaths) {
    struct Case {
        const char* path;
        std::string expected;
    } cases[] = {
        {"", ""},
        {"/abs/x.jar", "/abs/x.jar"},
        {"\\root\\x.jar", "\\root\\x.jar"},
        {"C:rel.jar", "C:rel.jar"},
        {"D:\\x.jar", "D:\\x.jar"},
        {"both.jar", dir.path() + "both.jar"},
        {"cwd.jar", dir.path() + "cwd.jar"},
        {"none.jar", dir.path() + "none.jar"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(str(store.resolvePath(c.path)), c.expected) << c.path;
    }
}

TEST_F(ResolvePathTest, FileOnlyInTheCurrentDirectoryIsNotTaken) {
    ScratchDirectory other;
    ASSERT_TRUE(writeBytes(other.file("moved.jar"), "x"));
    std::filesystem::current_path(other.path());
    store.refreshCurrentDirectory();
    EXPECT_EQ(str(store.resolvePath("moved.jar")), dir.path() + "moved.jar");
}

}  // namespace
