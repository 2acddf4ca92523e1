// How a Java runtime is laid out on this platform: the name of its virtual-machine library,
// the sub-paths below a runtime home where that library's directory may lie, the runtimes
// the system itself names, and the separator between class path entries.
//
// Windows: "jvm.dll" below "", "bin\", "jre\bin\", "..\jre\bin\"; installed runtimes are
// named by registry records, which the runtime locator reads itself, so systemRuntimeHomes
// names only the runtime whose bin\java.exe is the first one on PATH (links resolved);
// class path entries are separated by ';'. The default source order is "cbrsie": the
// runtime carried inside the program right after the one beside it, the system's runtimes
// before JRE_HOME and JAVA_HOME, and no home is preferred over another.
// Linux: "libjvm.so" below "", "lib/" (JDK 9 and later), "jre/lib/", "../jre/lib/",
// "jre/lib/amd64/" (a JDK 8) and "lib/amd64/" (a JRE 8); the system's runtimes are the one
// whose bin/java is the `java` found on PATH (symbolic links resolved), then
// /usr/lib/jvm/default-java, then every runtime under /usr/lib/jvm/ and under SDKMAN's
// $SDKMAN_DIR/candidates/java/ (default ~/.sdkman), each directory sorted by name, each
// runtime once (a link such as default-java counts as the runtime it names); the first two
// are the system's default runtime. Class path entries are separated by ':', as the JVM there
// expects. The default source order is "cbresi": the runtime carried inside the program right
// after the one beside it, JRE_HOME and JAVA_HOME before the system's runtimes, as Linux
// users expect of their shells' JAVA_HOME.
#pragma once

#include "base/text.h"

namespace platform {

// The file name of the virtual-machine library.
extern const char* const kJvmLibraryName;
// The file name of the runtime's splash-screen library, which lies in the directory above
// the one of the virtual-machine library.
extern const char* const kSplashLibraryName;
// Sub-paths below a runtime home, in search order, ending with a null pointer.
extern const char* const kJvmLibrarySubPaths[];
// The runtime's own java launcher below its home ("bin\\java.exe" / "bin/java").
extern const char* const kJavaLauncherSubPath;
// The separator between the entries of a class path handed to the JVM.
extern const char kClassPathSeparator;
// The characters that separate the entries of a configured class path line: ";" on Windows,
// ";:" on Linux (where a user copies a -cp value, and a path with ':' is vanishingly rare).
extern const char kClassPathLineSeparators[];

// The runtime locator's default source order (see runtime/runtime_locator.h).
extern const char kDefaultRuntimeOrder[];
// The platform a runtime carried inside the program must be built for, as its index names it:
// "linux-x86_64", "windows-x86_64" or "windows-x86".
extern const char kRuntimePlatform[];
// Where the system's runtimes are looked for, in words, for the message that none was found.
extern const char kSystemRuntimePlaces[];

// Appends, in order of preference, the homes of the runtimes the system itself names, each
// once. Returns how many of the first ones are the system's default runtime, which is taken
// whenever it fits the version bounds before the others are looked at.
int32_t systemRuntimeHomes(StringList& homes);
// For tests: a directory that stands in for /usr/lib/jvm (Linux; ignored on Windows); null
// goes back to the real one.
void setJvmDirectoryForTests(const char* directory);

}  // namespace platform
