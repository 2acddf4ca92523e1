// The main class of a packed application: taken from the first jar's manifest when the
// configuration names none, and checked against the jars before anything is written.
//
// A configuration without a mainclass line gets "mainclass <Main-Class>" appended, with a
// note saying so; without either, packing stops (bad input). A main class that none of the
// jars holds stops packing too, unless the configuration adds class path entries of its own
// (`classpath`, `java_classpath`), where it may be found at run time: then it is a warning.
// One that neither declares nor inherits (from a class in the
// jars) public static void main(String[]) draws a warning, since the launcher would fail to
// start it. The value is matched with dots or slashes, after trailing blanks (warned about
// by the configuration checks) are cut.
//
// Platforms: the packer is a Linux host tool; nothing here differs by platform.
#pragma once

#include <functional>
#include <string>

#include "archive_merge.h"
#include "problem.h"

namespace wynpack {

using MessageSink = std::function<void(const std::string&)>;

// Makes sure the text names a main class; configPath names the file in messages.
[[nodiscard]] bool completeMainClass(std::string& utf8, const ArchiveMerger& jars,
                                     const std::string& configPath, const MessageSink& note,
                                     Problem& problem);

[[nodiscard]] bool checkMainClass(const std::string& value, bool classPathConfigured,
                                  const ArchiveMerger& jars, const MessageSink& warning,
                                  Problem& problem);

}  // namespace wynpack
