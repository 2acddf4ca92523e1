// Finds the runtime library (jvm.dll / libjvm.so) through the sources and order that the
// configuration sets (jre_order, default "cbsie"): c = jvmdll, b = jre (default "./jre/"),
// s = the system's runtime, i = IBM's registry record, e = JRE_HOME then JAVA_HOME.
// The first source that yields a readable file wins; the result is kept for the process.
//
// Below a runtime home the library is looked for in each sub-path, directly, in the VM
// flavour's directory (key vm) and in every subdirectory. The platform's layout comes from
// platform/java_runtime.h.
//
// Windows: registry records under HKLM and the sub-paths "", "bin\", "jre\bin\",
// "..\jre\bin\". Linux: libjvm.so with the Linux layouts ("", "lib/", "jre/lib/",
// "../jre/lib/", "jre/lib/amd64/", "lib/amd64/"); there is no registry, so source "s" is the
// runtime of the java on PATH (links resolved), then /usr/lib/jvm/default-java, and source
// "i" finds nothing.
#pragma once

#include "base/text.h"

// The located runtime library's path, or empty; searched once per process.
TextString locateJvmLibrary();
// The first runtime library below one runtime home, or empty.
TextString findJvmInHome(TextView home);
// The runtime library named by one registry installation record (key below HKLM), or empty.
TextString readRegistryRuntime(const char* keyPath);
// Forgets the kept result, so that tests can search again.
void forgetLocatedJvmLibrary();
