// What the packer tells a user who packs their own application: service provider files of
// several jars merged (and loaded by the real JDK), Main-Class taken from the first jar,
// warnings about configuration lines the launcher would misread, a main class that is
// missing or cannot start, the usage and the version.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

using namespace wynpack_test;
using Names = std::vector<std::string>;

const std::string kTool = WYNPACK_TOOL;
const std::string kJdk = WYNPACK_JDK;
const std::string kServicesJar = WYNPACK_SERVICES_JAR;
const std::string kServiceFile = "META-INF/services/com.example.services.Greeter";

ProcessResult pack(const Names& args) {
    Names argv{kTool};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv);
}

std::string entryOf(const std::vector<ZipEntryInfo>& entries, const std::string& name) {
    for (const ZipEntryInfo& entry : entries) {
        if (entry.name == name) {
            return entry.content;
        }
    }
    return "<missing>";
}

TEST(PackGuidance, ServiceProvidersOfTwoJarsAreMergedAndFoundByTheJdk) {
    std::vector<ZipEntryInfo> classes;
    ASSERT_TRUE(readZip(kServicesJar, 0, classes));
    std::string prefix = "com/example/services/";
    TempDir dir;
    writeZip(dir.file("first.jar"),
             {{"META-INF/MANIFEST.MF", entryOf(classes, "META-INF/MANIFEST.MF")},
              {prefix + "Greeter.class", entryOf(classes, prefix + "Greeter.class")},
              {prefix + "FirstGreeter.class", entryOf(classes, prefix + "FirstGreeter.class")},
              {prefix + "ListGreeters.class", entryOf(classes, prefix + "ListGreeters.class")},
              {kServiceFile, "com.example.services.FirstGreeter\n"}});
    writeZip(dir.file("second.jar"),
             {{prefix + "SecondGreeter.class", entryOf(classes, prefix + "SecondGreeter.class")},
              {kServiceFile,
               "# registered by the second jar\r\n  com.example.services.SecondGreeter \t# ours\r\n"
               "com.example.services.FirstGreeter\r\n"}});
    // No mainclass line: the first jar's Main-Class is taken.
    writeFile(dir.file("settings.cfg"), "option -Xmx64m\n");
    std::string output = dir.file("greeters");
    ProcessResult run =
        pack({"--target", "linux-x86_64", "--config", dir.file("settings.cfg"), "--jar",
              dir.file("first.jar"), "--jar", dir.file("second.jar"), "--output", output});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(linesOf(run.err),
              (Names{"wynpack: note: no mainclass line in '" + dir.file("settings.cfg") +
                         "'; took Main-Class com.example.services.ListGreeters from the manifest "
                         "of '" +
                         dir.file("first.jar") + "'",
                     "wynpack: note: " + kServiceFile + ": merged the providers of 2 jars"}));

    ProcessResult unzip = runProcess({"/usr/bin/unzip", "-p", output, kServiceFile});
    EXPECT_EQ(unzip.out, "com.example.services.FirstGreeter\ncom.example.services.SecondGreeter\n");

    ProcessResult java =
        runProcess({kJdk + "/bin/java", "-cp", output, "com.example.services.ListGreeters"});
    EXPECT_EQ(java.exitStatus, 0) << java.err;
    EXPECT_EQ(java.out, "first\nsecond\n");
    // The packed program itself, with the JDK as its runtime. In the sanitizer tree the
    // stub carries AddressSanitizer, which must leave the JVM's own signals and memory alone.
    ProcessResult launched = runProcess(
        {"/usr/bin/env", "JAVA_HOME=" + kJdk, "ASAN_OPTIONS=detect_leaks=0:handle_segv=0", output});
    EXPECT_EQ(launched.exitStatus, 0) << launched.err;
    EXPECT_EQ(launched.out, "first\nsecond\n");
}

class PackChecks : public ::testing::Test {
  protected:
    void SetUp() override {
        writeZip(dir_.file("app.jar"),
                 {{"app/Main.class", javaClassFile("app/Main", true)},
                  {"app/Base.class", javaClassFile("app/Base", true)},
                  {"app/Sub.class", javaClassFile("app/Sub", false, "app/Base")},
                  {"app/Plain.class", javaClassFile("app/Plain", false)},
                  {"app/Outside.class", javaClassFile("app/Outside", false, "lib/Elsewhere")},
                  {"app/Broken.class", "not a class file"}});
    }
    ProcessResult packWith(const std::string& config, const std::string& output = "out") {
        writeFile(dir_.file("settings.cfg"), config);
        return pack({"--target", "linux-x86_64", "--no-support", "--config",
                     dir_.file("settings.cfg"), "--jar", dir_.file("app.jar"), "--output",
                     dir_.file(output)});
    }
    std::vector<std::string> warnings(const ProcessResult& run) {
        std::vector<std::string> found;
        std::string prefix = "wynpack: warning: '" + dir_.file("settings.cfg") + "' ";
        for (const std::string& line : linesOf(run.err)) {
            found.push_back(line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line);
        }
        return found;
    }
    TempDir dir_;
};

TEST_F(PackChecks, ConfigurationLinesTheLauncherWouldMisreadAreWarnedAbout) {
    ProcessResult run = packWith(
        "# a comment line names no key\r\n"
        "mainclass app.Main  \r\n"
        "mainclas app.Other\r\n"
        "property app.mode = desktop\r\n"
        "export  PATH_EXTRA =/opt\r\n"
        "property app.ok=yes\r\n"
        "minjre 17\r\n"
        "maxjre 11\r\n"
        "Option -Xmx1g\r\n"
        "  splashtitle = ok\r\n"
        "cds auto\r\n");
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(
        warnings(run),
        (Names{"line 2: the mainclass value ends in blanks; the launcher would look for a "
               "class whose name ends in them",
               "line 3: unknown key 'mainclas'; the launcher ignores this line",
               "line 4: the property name 'app.mode ' ends in a blank, which becomes part of "
               "the name; write 'property app.mode=...'",
               "line 5: the export name 'PATH_EXTRA ' ends in a blank, which becomes part of "
               "the name; write 'export PATH_EXTRA=...'",
               "line 8: maxjre '11' is below minjre '17' (line 7); no runtime satisfies both"}));
    EXPECT_TRUE(fileExists(dir_.file("out")));

    run = packWith("mainclass app.Main\nminjre java8\nmaxjre 1.8+\n");
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(warnings(run),
              (Names{"line 2: minjre 'java8' is not a plain version; the launcher reads it as 8",
                     "line 3: maxjre '1.8+' is not a plain version; the launcher reads it as 1.8",
                     "line 3: maxjre '1.8+' is below minjre 'java8' (line 2); no runtime "
                     "satisfies both"}));
    run = packWith("mainclass app.Main\nminjre latest\nmaxjre 1.8\n");
    EXPECT_EQ(warnings(run),
              (Names{"line 2: minjre 'latest' holds no version number; the launcher lets every "
                     "runtime pass it"}));
}

// Module options copied from a `java` command line in two words are joined by the launcher;
// the packer says so, and what it hands over.
TEST_F(PackChecks, TwoWordModuleOptionsAreNoted) {
    ProcessResult run = packWith(
        "mainclass app.Main\n"
        "option --add-opens java.base/java.lang=ALL-UNNAMED\n"
        "option --add-exports\n"
        "property a=b\n"
        "option java.desktop/sun.awt=ALL-UNNAMED\n"
        "option --add-modules=java.sql\n"
        "option -p\n");
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    std::vector<std::string> notes;
    std::string prefix = "wynpack: note: '" + dir_.file("settings.cfg") + "' ";
    for (const std::string& line : linesOf(run.err)) {
        if (line.rfind(prefix, 0) == 0) {
            notes.push_back(line.substr(prefix.size()));
        }
    }
    EXPECT_EQ(notes,
              (Names{"line 2: option '--add-opens java.base/java.lang=ALL-UNNAMED' is handed to "
                     "the runtime as '--add-opens=java.base/java.lang=ALL-UNNAMED', as java "
                     "joins its two words",
                     "line 3: options '--add-exports' and 'java.desktop/sun.awt=ALL-UNNAMED' "
                     "(line 5) are handed to the runtime as one, "
                     "'--add-exports=java.desktop/sun.awt=ALL-UNNAMED', as java joins them",
                     "line 7: option '-p' has no value on a following option line; it is "
                     "handed over alone"}));
    EXPECT_EQ(run.err.find("wynpack: warning:"), std::string::npos) << run.err;
}

// `--check` prints the same warnings and notes without packing: for a configuration text
// beside the program, and for the text embedded in a packed program.
TEST_F(PackChecks, CheckReadsATextOrAPackedProgramWithoutPacking) {
    const std::string config =
        "mainclass app.Main\nmaxjr 17\noption --add-opens java.base/java.lang=ALL-UNNAMED\n";
    ASSERT_EQ(packWith(config, "packed").exitStatus, 0);
    writeFile(dir_.file("beside.cfg"), "\xEF\xBB\xBFmaxjr 17\r\n");
    struct Case {
        std::string file;
        std::string source;
        Names err;
    } cases[] = {
        {dir_.file("beside.cfg"),
         "'" + dir_.file("beside.cfg") + "' ",
         {"wynpack: warning: '" + dir_.file("beside.cfg") +
          "' line 1: unknown key 'maxjr'; the launcher ignores this line"}},
        {dir_.file("packed"),
         "'" + dir_.file("packed") + "', the embedded configuration",
         {"wynpack: warning: '" + dir_.file("packed") +
              "' (embedded configuration) line 2: unknown key 'maxjr'; the launcher ignores "
              "this line",
          "wynpack: note: '" + dir_.file("packed") +
              "' (embedded configuration) line 3: option '--add-opens "
              "java.base/java.lang=ALL-UNNAMED' is handed to the runtime as "
              "'--add-opens=java.base/java.lang=ALL-UNNAMED', as java joins its two words"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<std::string> before = dir_.names();
        ProcessResult run = pack({"--check", c.file});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_EQ(linesOf(run.err), c.err);
        EXPECT_EQ(run.out, "wynpack: checked " +
                               (c.source.back() == ' ' ? c.source.substr(0, c.source.size() - 1)
                                                       : c.source) +
                               ": 1 warning\n");
        EXPECT_EQ(dir_.names(), before) << "nothing is written";
    }
    EXPECT_EQ(pack({"--check", dir_.file("missing.cfg")}).exitStatus, 2);
    EXPECT_EQ(pack({"--check", dir_.file("beside.cfg"), "--target", "linux-x86_64"}).exitStatus, 2);
}

TEST_F(PackChecks, MainClassMustBeInTheJarsAndStartable) {
    ProcessResult missing = packWith("mainclass app.Missing\n");
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_EQ(missing.err,
              "wynpack: mainclass app.Missing is in none of the jars (no app/Missing.class)\n");
    EXPECT_FALSE(fileExists(dir_.file("out")));
    // With class path entries of its own, the class may be found there at run time.
    ProcessResult external = packWith("mainclass app.Missing\njava_classpath lib/extra.jar\n");
    EXPECT_EQ(external.exitStatus, 0);
    EXPECT_EQ(external.err,
              "wynpack: warning: mainclass app.Missing is in none of the jars (no "
              "app/Missing.class); it must come from the configured class path\n");

    struct Case {
        const char* mainClass;
        const char* warning;  // empty: none
    };
    const Case cases[] = {
        {"app.Main", ""},
        {"app/Main", ""},
        {"app.Sub", ""},      // inherits main from a class in the jars
        {"app.Outside", ""},  // its superclass is not packed: it may declare main
        {"app.Plain",
         "wynpack: warning: mainclass app.Plain has no public static void main(String[]); the "
         "launcher cannot start it"},
        {"app.Broken",
         "wynpack: warning: cannot read the class file app/Broken.class in '@/app.jar'; the "
         "launcher may fail to start it"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mainClass);
        ProcessResult run = packWith(std::string("mainclass ") + c.mainClass + "\n");
        EXPECT_EQ(run.exitStatus, 0);
        std::string expected = c.warning;
        size_t at = expected.find('@');
        if (at != std::string::npos) {
            expected.replace(at, 1, dir_.path());
        }
        EXPECT_EQ(linesOf(run.err), expected.empty() ? Names{} : Names{expected});
    }
}

TEST_F(PackChecks, ConfigurationThatTheOutputWouldAlsoReadBesideItIsWarnedAbout) {
    for (const char* output : {"settings", "settings.exe"}) {
        SCOPED_TRACE(output);
        ProcessResult run = packWith("mainclass app.Main\n", output);
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(linesOf(run.err),
                  (Names{"wynpack: warning: '" + dir_.file("settings.cfg") +
                         "' is also the external configuration '" + dir_.file(output) +
                         "' reads beside itself at run time: its lines would count twice (once "
                         "from the file, once embedded); name it differently"}));
    }
    EXPECT_EQ(packWith("mainclass app.Main\n", "other.exe").err, "");
}

TEST(PackGuidance, UsageWithoutArgumentsAndTheVersion) {
    ProcessResult bare = pack({});
    EXPECT_EQ(bare.exitStatus, 2);
    EXPECT_EQ(bare.out, "");
    EXPECT_EQ(bare.err.rfind("Usage: wynpack (--target NAME | --stub FILE)", 0), 0u) << bare.err;
    ProcessResult version = pack({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out, "wynpack 0.1.0\n");
}

}  // namespace
