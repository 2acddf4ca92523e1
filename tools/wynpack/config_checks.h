// Warnings about a configuration text that the launcher would read without complaint but not
// as its author meant: a key it does not know (a typo, which the launcher silently ignores),
// a name with trailing blanks in a `property` or `export` value, a `mainclass` with trailing
// blanks, `minjre`/`maxjre` values that are no version or that no runtime can satisfy
// together.
//
// Lines are read as the launcher reads them (line ends, leading spaces, key matching ignoring
// ASCII case, an optional '=' after the key). A line whose first character is neither a
// letter, a digit nor '_' (a "# comment", say) names no key and draws no warning.
//
// Platforms: pure code over bytes, the same everywhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wynpack {

// One sentence per finding, beginning with "line N: ".
std::vector<std::string> configWarnings(std::string_view utf8);

// What the launcher does with the text that its author may not expect, one sentence each,
// beginning with "line N: ": an `option` that `java` takes in two words (on one line, or on
// two consecutive `option` lines) is handed to the runtime joined by '=', as `java` joins it.
std::vector<std::string> configNotes(std::string_view utf8);

}  // namespace wynpack
