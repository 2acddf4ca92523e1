// The main attributes of a jar's manifest (META-INF/MANIFEST.MF), as the jar tool writes
// them: "Name: value" lines up to the first empty line, a line that begins with one space
// continuing the previous one, names compared ignoring ASCII case.
//
// Platforms: pure code over bytes, the same everywhere.
#pragma once

#include <string>
#include <string_view>

namespace wynpack {

// The value of the main attribute, or empty when the manifest has none.
std::string manifestMainAttribute(std::string_view manifest, std::string_view name);

}  // namespace wynpack
