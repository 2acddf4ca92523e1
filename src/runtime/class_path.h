// Builds the class path text: the executable form (the executable's own path, java_classpath
// entries, java_libs archives) and the general form (classpath entries, libs archives,
// CLASSPATH, CLASS_PATH). Every entry is written as ";" followed by the entry.
//
// Platforms: the same rules on both; directory enumeration and pattern matching are the
// platform's (platform/files.h). Each directory is scanned at most once per call, so a tree
// that loops through a link does not recurse forever.
#pragma once

#include "config/text.h"

enum class ClassPathForm { Executable, General };

TextString buildClassPath(ClassPathForm form);
// Appends the entries of one classpath or java_classpath line.
void addClassPathEntries(TextString& accumulated, TextView line);
// Appends ";" + path of every .jar and .zip below directory, depth first.
void scanLibraryDir(TextView directory, TextString& accumulated);
// The class path text for the virtual machine: executable form, ";", general form.
TextString classPathText();
