// The tray through the packed Linux launcher with the real JDK: the support classes find
// their natives bound, every call is accepted, nothing is shown, and the launcher's end
// removes the icons that are still shown.
#include <string>

#include "e2e/launch_fixture.h"

namespace {

class LinuxTray : public LaunchTest {};

TEST_F(LinuxTray, ApplicationRunsItsTrayAndTheEndRemovesTheShownIcons) {
    std::string exe = pack(E2ePaths::linuxStub(), "mainclass com.example.tray.TrayApp\n",
                           {WYN_E2E_TRAY_APP_JAR}, "tray");
    ChildResult result = run(exe, {}, {std::string("JAVA_HOME=") + E2ePaths::jdk(), "WYN_TRACE=1"},
                             {"JRE_HOME", "CLASSPATH", "CLASS_PATH"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("tray app done, submenus 1"), std::string::npos) << result.out;
    for (const char* line :
         {"natives of com/tarnwick/wyn/SystemTray: bound",
          "natives of com/tarnwick/wyn/SystemTrayMenu: bound", "tray icons removed: 3 (2 shown)"}) {
        EXPECT_NE(result.err.find(line), std::string::npos) << line << "\n" << result.err;
    }
}

}  // namespace
