// The runtime's splash library shown by the packed Linux launcher with the real JDK, as the
// application sees it through java.awt.SplashScreen and the launcher's SplashScreen class.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "e2e/launch_fixture.h"

namespace {

class LinuxSplash : public LaunchTest {
  protected:
    std::string packSplashApp(const std::string& config, const std::string& name) {
        return pack(E2ePaths::linuxStub(), "mainclass com.example.splashapp.SplashApp\n" + config,
                    {WYN_E2E_SPLASH_APP_JAR}, name);
    }

    ChildResult launch(const std::string& exe) {
        return run(exe, {}, {std::string("JAVA_HOME=") + E2ePaths::jdk()}, {"JRE_HOME"});
    }

    static std::string withSplash(const std::string& action) {
        return std::string("splash ") + WYN_E2E_SPLASH_IMAGE +
               "\nsplashcloseonwindow true\noption -Dsplashapp.action=" + action + "\n";
    }

    // A jar that holds the splash image as images/splash.png, deflated as the JDK's jar tool
    // writes it; no copy of the image stays in the test's directory.
    std::string imageJar() {
        std::string staging = dir() + "/staging";
        std::string jar = dir() + "/images.jar";
        EXPECT_EQ(runChild({{"/bin/mkdir", "-p", staging + "/images"}, {}, {}, ""}).exitCode, 0);
        EXPECT_EQ(
            runChild(
                {{"/bin/cp", WYN_E2E_SPLASH_IMAGE, staging + "/images/splash.png"}, {}, {}, ""})
                .exitCode,
            0);
        ChildResult jarred = runChild({{std::string(E2ePaths::jdk()) + "/bin/jar", "cf", jar, "-C",
                                        staging, "images/splash.png"},
                                       {},
                                       {},
                                       ""});
        EXPECT_EQ(jarred.exitCode, 0) << jarred.err;
        EXPECT_EQ(runChild({{"/bin/rm", "-r", staging}, {}, {}, ""}).exitCode, 0);
        return jar;
    }

    // The colour of one pixel of a PNG, as ImageMagick writes it ("#RRGGBB").
    std::string pixel(const std::string& png, int x, int y) {
        ChildResult r = runChild(
            {{"/usr/bin/convert", png, "-crop",
              "1x1+" + std::to_string(x) + "+" + std::to_string(y), "-depth", "8", "txt:-"},
             {},
             {},
             ""});
        // The first line is a header ("# ImageMagick pixel enumeration: ...").
        size_t hash = r.out.find('#', r.out.find('\n'));
        return hash == std::string::npos ? r.out + r.err : r.out.substr(hash, 7);
    }
};

TEST_F(LinuxSplash, ShownBeforeTheRuntimeStartsAndSeenByTheApplication) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the suite runs under Xvfb";
    mkdir(WYN_E2E_SCREENSHOT_DIR, 0755);
    std::string screenshot = std::string(WYN_E2E_SCREENSHOT_DIR) + "/splash-linux-runtime.png";
    unlink(screenshot.c_str());
    std::string exe = packSplashApp(
        withSplash("screenshot") + "option -Dsplashapp.screenshot=" + screenshot + "\n", "shown");
    ChildResult r = launch(exe);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "awtSplash"), "true");
    EXPECT_EQ(reportValue(r.out, "wynSplash"), "true");
    EXPECT_EQ(reportValue(r.out, "sameObject"), "true");
    ASSERT_EQ(reportValue(r.out, "screenshot"), "taken");
    // The 400x220 image is centred on the 1024x768 screen; its orange disc is at (200, 80).
    EXPECT_EQ(pixel(screenshot, 312 + 200, 274 + 80), "#F4A261");
    EXPECT_EQ(pixel(screenshot, 312 + 200, 274 + 157), "#FFFFFF");
}

TEST_F(LinuxSplash, AutoCloseZeroClosesAtOnceAndMinusOneLeavesItUp) {
    ChildResult closed = launch(packSplashApp(withSplash("autoclose0"), "zero"));
    ASSERT_EQ(closed.exitCode, 0) << closed.err;
    EXPECT_EQ(reportValue(closed.out, "wynSplash"), "true");
    EXPECT_EQ(reportValue(closed.out, "afterAutoClose0"), "closed");

    ChildResult kept = launch(packSplashApp(withSplash("autoclose-1"), "cancel"));
    ASSERT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_EQ(reportValue(kept.out, "afterCancel"), "visible");
}

TEST_F(LinuxSplash, FirstWindowClosesIt) {
    ChildResult r = launch(packSplashApp(withSplash("window"), "window"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "beforeWindow"), "visible");
    EXPECT_EQ(reportValue(r.out, "window"), "opened");
    EXPECT_EQ(reportValue(r.out, "afterWindow"), "closed");
}

TEST_F(LinuxSplash, ClosesOnItsOwnAndReportsItsImage) {
    // Without splashcloseonwindow the runtime's splash closes 1.75 s after the runtime starts,
    // also when the application opens no window.
    std::string exe = packSplashApp(
        std::string("splash ") + WYN_E2E_SPLASH_IMAGE + "\noption -Dsplashapp.action=timer\n",
        "timer");
    ChildResult r =
        run(exe, {}, {std::string("JAVA_HOME=") + E2ePaths::jdk(), "WYN_TRACE=1"}, {"JRE_HOME"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "imageURL"), std::string("file:") + WYN_E2E_SPLASH_IMAGE);
    EXPECT_EQ(reportValue(r.out, "atStart"), "visible");
    EXPECT_EQ(reportValue(r.out, "afterTimer"), "closed");
    EXPECT_NE(r.err.find("runtime splash closes in 1750 ms"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("/libsplashscreen.so: shown, the splash file"), std::string::npos)
        << r.err;
}

// Without a display (no DISPLAY, no WAYLAND_DISPLAY) the JDK's splash library declines the
// image: the trace says so, and the application starts as without a splash.
TEST_F(LinuxSplash, WithoutADisplayTheTraceSaysTheSplashIsNotShown) {
    std::string config = "mainclass com.example.probe.Probe\nsplash " +
                         std::string(WYN_E2E_SPLASH_IMAGE) + "\nsplashcloseonwindow true\n";
    std::string exe = pack(E2ePaths::linuxStub(), config, {E2ePaths::probeJar()}, "headless");
    ChildResult r = run(exe, {}, {std::string("JAVA_HOME=") + E2ePaths::jdk(), "WYN_TRACE=1"},
                        {"JRE_HOME", "DISPLAY", "WAYLAND_DISPLAY"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("/libsplashscreen.so: not shown: the library declined the image (no "
                         "display, or an image it cannot read)"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find(": shown,"), std::string::npos) << r.err;
}

TEST_F(LinuxSplash, ShownFromAnArchiveEntryWithoutAFileBesideTheProgram) {
    mkdir(WYN_E2E_SCREENSHOT_DIR, 0755);
    std::string screenshot = std::string(WYN_E2E_SCREENSHOT_DIR) + "/splash-linux-entry.png";
    unlink(screenshot.c_str());
    std::string exe = pack(E2ePaths::linuxStub(),
                           "mainclass com.example.splashapp.SplashApp\n"
                           "splash images/splash.png\nsplashcloseonwindow true\n"
                           "option -Dsplashapp.action=screenshot\n"
                           "option -Dsplashapp.screenshot=" +
                               screenshot + "\n",
                           {WYN_E2E_SPLASH_APP_JAR, imageJar()}, "entry");
    struct stat st;
    ASSERT_NE(stat((dir() + "/images/splash.png").c_str(), &st), 0) << "no file beside it";
    ChildResult r =
        run(exe, {}, {std::string("JAVA_HOME=") + E2ePaths::jdk(), "WYN_TRACE=1"}, {"JRE_HOME"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("splash entry images/splash.png of the archive: stored"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(reportValue(r.out, "awtSplash"), "true");
    EXPECT_EQ(reportValue(r.out, "wynSplash"), "true");
    // The standard API names the entry inside the program, and that URL reads the image.
    EXPECT_EQ(reportValue(r.out, "imageURL"), "jar:file:" + exe + "!/images/splash.png");
    ASSERT_EQ(stat(WYN_E2E_SPLASH_IMAGE, &st), 0);
    EXPECT_EQ(reportValue(r.out, "imageBytes"), std::to_string(st.st_size));
    ASSERT_EQ(reportValue(r.out, "screenshot"), "taken");
    EXPECT_EQ(pixel(screenshot, 312 + 200, 274 + 80), "#F4A261");
    EXPECT_EQ(pixel(screenshot, 312 + 200, 274 + 157), "#FFFFFF");
}

TEST_F(LinuxSplash, FileBesideTheProgramWinsOverTheEntry) {
    std::string exe = pack(E2ePaths::linuxStub(),
                           "mainclass com.example.splashapp.SplashApp\nsplash images/splash.png\n",
                           {WYN_E2E_SPLASH_APP_JAR, imageJar()}, "beside");
    ASSERT_EQ(runChild({{"/bin/mkdir", "-p", dir() + "/images"}, {}, {}, ""}).exitCode, 0);
    ASSERT_EQ(
        runChild({{"/bin/cp", WYN_E2E_SPLASH_IMAGE, dir() + "/images/splash.png"}, {}, {}, ""})
            .exitCode,
        0);
    ChildResult r = launch(exe);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "imageURL"), "file:" + dir() + "/images/splash.png");
}

TEST_F(LinuxSplash, CompressedEntryIsTracedAndShowsNothing) {
    // Packed without a splash line, the entry stays deflated; the external configuration then
    // names it, as a program packed by another tool would.
    std::string exe = pack(E2ePaths::linuxStub(), "mainclass com.example.splashapp.SplashApp\n",
                           {WYN_E2E_SPLASH_APP_JAR, imageJar()}, "deflated");
    writeFile(exe + ".cfg", "splash images/splash.png\n");
    ChildResult r =
        run(exe, {}, {std::string("JAVA_HOME=") + E2ePaths::jdk(), "WYN_TRACE=1"}, {"JRE_HOME"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("splash entry images/splash.png of the archive: compressed"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(reportValue(r.out, "awtSplash"), "false");
    EXPECT_EQ(reportValue(r.out, "wynSplash"), "false");
}

TEST_F(LinuxSplash, MissingImageIsTraced) {
    std::string exe = packSplashApp("splash missing.png\n", "missing");
    ChildResult r =
        run(exe, {}, {std::string("JAVA_HOME=") + E2ePaths::jdk(), "WYN_TRACE=1"}, {"JRE_HOME"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("splash image " + dir() + "/missing.png not found"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("splash entry missing.png of the archive: not in the archive"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(reportValue(r.out, "awtSplash"), "false");
}

TEST_F(LinuxSplash, NoSplashWithoutAnImage) {
    ChildResult r = launch(packSplashApp("", "none"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "awtSplash"), "false");
    EXPECT_EQ(reportValue(r.out, "wynSplash"), "false");
    EXPECT_EQ(reportValue(r.out, "wynSplashAgain"), "false");
}

TEST_F(LinuxSplash, NoSplashFromARuntimeWithoutTheLibrary) {
    // A runtime home whose lib/ holds no libsplashscreen.so: its libjvm.so is a link to the
    // real one (the runtime finds its own files through the link's target).
    std::string server = dir() + "/jdk/lib/server";
    ASSERT_EQ(runChild({{"/bin/mkdir", "-p", server}, {}, {}, ""}).exitCode, 0);
    std::string jvm = server + "/libjvm.so";
    ASSERT_EQ(
        symlink((std::string(E2ePaths::jdk()) + "/lib/server/libjvm.so").c_str(), jvm.c_str()), 0);
    ChildResult r =
        launch(packSplashApp(withSplash("") + "jre_order c\njvmdll " + jvm + "\n", "nolibrary"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(reportValue(r.out, "awtSplash"), "false");
    EXPECT_EQ(reportValue(r.out, "wynSplash"), "false");
    EXPECT_EQ(reportValue(r.out, "wynSplashAgain"), "false");
}

}  // namespace
