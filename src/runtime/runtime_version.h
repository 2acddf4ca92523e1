// The version a Java runtime declares about itself, read before it is loaded: the
// JAVA_VERSION line of the `release` file at the runtime's home (JDK 9 and later, and most
// JDK 8 builds). The home is found by walking up from the directory of the runtime library
// (bin\server\jvm.dll and jre\bin\server\jvm.dll on Windows, lib/server/libjvm.so and
// jre/lib/amd64/server/libjvm.so on Linux). Same on every platform.
#pragma once

#include "base/text.h"

// The value of the first JAVA_VERSION="..." line of a release file's text; false when
// there is none. Only the given bytes are read.
[[nodiscard]] bool releaseFileJavaVersion(TextView releaseText, TextString& version);

// The version declared by the runtime that owns a library file, or empty when no release
// file with a version lies up to four directories above the library's directory.
TextString declaredRuntimeVersion(TextView libraryPath);
// The home of that runtime: the directory of that release file, without a trailing
// separator; empty when there is none.
TextString declaredRuntimeHome(TextView libraryPath);
