// Builds the class path text: the executable form (the executable's own path, java_classpath
// entries, java_libs archives) and the general form (classpath entries, libs archives,
// CLASSPATH, CLASS_PATH). Every entry is written as the separator followed by the entry;
// configured lines separate their entries by ';' on every platform, and on Linux also by ':'
// (platform/java_runtime.h). A line that adds no entry is traced.
//
// Platforms: the separator is the JVM's own (platform/java_runtime.h): ';' on Windows, ':' on
// Linux. Directory enumeration and pattern matching are the platform's (platform/files.h).
// A directory that is already on the recursion path (a link back to an ancestor) is not
// entered again, so a tree that loops through a link does not recurse forever; a directory
// reached through two links that do not loop is scanned through each.
#pragma once

#include "base/text.h"

enum class ClassPathForm { Executable, General };

TextString buildClassPath(ClassPathForm form);
// Appends the entries of one classpath or java_classpath line.
void addClassPathEntries(TextString& accumulated, TextView line);
// Appends the separator and the path of every .jar and .zip below directory, depth first,
// in enumeration order. An empty directory adds nothing.
void scanLibraryDir(TextView directory, TextString& accumulated);
// The class path text for the virtual machine: executable form, separator, general form
// (the general form is built first).
TextString classPathText();
// The class path without its empty entries. The virtual machine reads an empty entry as the
// current directory, which would load classes from wherever the user started the application.
TextString withoutEmptyEntries(TextView classPath);
