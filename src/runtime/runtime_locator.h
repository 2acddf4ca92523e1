// Finds the runtime library (jvm.dll / libjvm.so) through the sources and order that the
// configuration sets (jre_order): c = jvmdll, b = jre (default "./jre/"), r = the runtime
// carried inside the program (embedded_runtime.h), s = the runtimes the system knows, i =
// IBM's registry record, e = JRE_HOME then JAVA_HOME. The default order is the platform's
// (platform/java_runtime.h): "cbrsie" on Windows, "cbresi" on Linux. The first source that
// yields a library wins; the result is kept for the process.
//
// Within a source, without `minjre`/`maxjre` the first library found is taken; with them,
// the system's default runtime when it fits (Linux: the java on PATH, then default-java),
// else the one with the highest version within the bounds (see runtime_selection.h). A library
// built for another machine than the launcher's (a 32-bit jvm.dll for the 64-bit launcher)
// is passed over like a missing one.
//
// Below a runtime home the library is looked for in each sub-path, directly, in the VM
// flavour's directory (key vm) and in every subdirectory. The platform's layout comes from
// platform/java_runtime.h.
//
// Windows: source "s" reads, in the launcher's own registry view, the records of
// HKLM\SOFTWARE\JavaSoft\{JRE, Java Runtime Environment, JDK, Java Development Kit} (the
// CurrentVersion record of each, then every other version), of the installers of Eclipse
// Adoptium, Eclipse Foundation, AdoptOpenJDK, Semeru, Microsoft and Azul Zulu, and then the
// runtime of the java.exe on PATH. Sub-paths "", "bin\", "jre\bin\", "..\jre\bin\".
// Linux: libjvm.so with the Linux layouts ("", "lib/", "jre/lib/", "../jre/lib/",
// "jre/lib/amd64/", "lib/amd64/"); there is no registry, so source "s" is the runtime of the
// java on PATH (links resolved), /usr/lib/jvm/default-java, every runtime under /usr/lib/jvm/
// and under SDKMAN's candidates/java/; source "i" finds nothing.
#pragma once

#include "base/text.h"

// The located runtime library's path, or empty; searched once per process.
TextString locateJvmLibrary();
// When the search found nothing and the runtime carried inside the program could not be
// used: the message to show (UTF-8, for showMessageUtf8) and its id (15 damaged, 17 the cache
// cannot be written, 14 the cache's path has no ANSI form); 0 otherwise.
int carriedRuntimeFailure(TextString& text);
// When the search found nothing because every runtime with a known version lay outside
// `minjre`/`maxjre`: the version closest to the bounds (the lowest above `maxjre`, else the
// highest below `minjre`). Empty otherwise.
TextString skippedRuntimeVersion();
// After a search that found nothing: the places searched, one indented line each, under a
// heading, and what would help (JAVA_HOME, a jre folder beside the program, as far as the
// source order consults them). Empty before a search.
TextString runtimeSearchReport();
// The first runtime library below one runtime home, or empty.
TextString findJvmInHome(TextView home);
// The runtime library named by one registry installation record (key below HKLM), or empty.
TextString readRegistryRuntime(const char* keyPath);
// Forgets the kept result, so that tests can search again.
void forgetLocatedJvmLibrary();
