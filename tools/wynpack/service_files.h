// Service provider files (META-INF/services/<interface>) of several jars, merged into one.
//
// java.util.ServiceLoader finds providers through these files; the packed archive holds one
// copy of each name, so the copies of all jars are merged: the provider lines of every jar in
// jar order, each provider once. A provider line is what ServiceLoader reads from it: the
// text before a '#', without surrounding blanks and tabs; comment and empty lines are left
// out of the merged file.
//
// Platforms: pure code over bytes, the same everywhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wynpack {

// True for a file right inside META-INF/services/ (the name is case-sensitive, as
// ServiceLoader asks for it).
bool isServiceFile(std::string_view name);

// The merged file: one provider per line, each ending in LF.
std::string mergeServiceFiles(const std::vector<std::string>& files);

}  // namespace wynpack
