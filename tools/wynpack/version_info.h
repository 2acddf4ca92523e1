// The version information resource (VS_VERSIONINFO) that Explorer's properties dialog and
// GetFileVersionInfo show.
//
// Versions are given dotted ("1.2", "1.2.3.4"): one to four numbers of 0 to 65535; missing
// numbers are 0 in the numeric fields, the text fields keep the text as given. The strings go
// into one table for US English, Unicode (040904B0); empty strings are left out.
//
// Reading looks up one string of an existing resource (a stub's), in whichever language table
// holds it. The bytes come from a file: every block's length is checked against its parent,
// and a damaged resource reads as one without the string.
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wynpack {

// The four numbers of a dotted version; false when the text is not one.
[[nodiscard]] bool parseDottedVersion(std::string_view text, std::array<uint32_t, 4>& numbers);

struct VersionFields {
    std::string fileVersion;  // dotted, checked
    std::string productVersion;
    // Name (as GetFileVersionInfo knows it, "CompanyName") and UTF-8 value, in order.
    std::vector<std::pair<std::string, std::string>> strings;
};

// The resource's bytes. The versions must have passed parseDottedVersion.
std::string buildVersionInfo(const VersionFields& fields);

// The value of the string called name in the resource's string tables; false when no table
// has it or the resource is damaged.
[[nodiscard]] bool findVersionString(std::string_view resource, std::u16string_view name,
                                     std::u16string& value);

// UTF-8 to UTF-16 code units; the text must have been checked as UTF-8 (a cut-off last
// character is left out).
std::u16string utf16FromUtf8(std::string_view utf8);

}  // namespace wynpack
