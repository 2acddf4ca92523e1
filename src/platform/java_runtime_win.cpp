// The layout of a Java runtime on Windows.
#include "platform/java_runtime.h"

namespace platform {

const char* const kJvmLibraryName = "jvm.dll";
const char* const kSplashLibraryName = "splashscreen.dll";
const char* const kJvmLibrarySubPaths[] = {"", "bin\\", "jre\\bin\\", "..\\jre\\bin\\", nullptr};
const char kClassPathSeparator = ';';

void systemRuntimeHomes(StringList&) {}

}  // namespace platform
