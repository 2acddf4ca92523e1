// What `java -jar` takes from the main jar's manifest besides Main-Class: Add-Opens,
// Add-Exports (each a blank-separated list of module/package pairs, opened or exported to
// the class path) and Enable-Native-Access (only ALL-UNNAMED). The packer turns those of the
// first jar's manifest into `option` lines at the end of the configuration, with a note, so
// the packed program gets what `java -jar` would give it. A runtime that does not know such an
// option (Java 8) ignores it.
//
// Platforms: pure code over the configuration text and the jars, the same everywhere.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "archive_merge.h"
#include "problem.h"

namespace wynpack {

// The option lines for one manifest (empty when it has none of the attributes); a value
// java -jar would refuse draws a line in skipped.
std::string manifestOptionLines(std::string_view manifest, std::string& skipped);

// Appends the option lines of the first jar's manifest to utf8, noting them; false (with the
// problem) only when the manifest cannot be read.
[[nodiscard]] bool addManifestOptions(std::string& utf8, const ArchiveMerger& jars,
                                      const std::function<void(const std::string&)>& note,
                                      Problem& problem);

}  // namespace wynpack
