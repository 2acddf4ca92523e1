// The main jar's Add-Opens, Add-Exports and Enable-Native-Access as options (see
// manifest_options.h).
#include "manifest_options.h"

#include "jar_manifest.h"

namespace wynpack {

namespace {

constexpr const char* kManifest = "META-INF/MANIFEST.MF";

// One "option --NAME=module/package=ALL-UNNAMED" line per pair of the value.
void addPairs(std::string_view value, const char* option, std::string& lines) {
    size_t at = 0;
    while (at < value.size()) {
        size_t begin = value.find_first_not_of(" \t", at);
        if (begin == std::string_view::npos) {
            break;
        }
        size_t end = value.find_first_of(" \t", begin);
        std::string_view pair = value.substr(
            begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
        lines += std::string("option ") + option + "=" + std::string(pair) + "=ALL-UNNAMED\r\n";
        at = end == std::string_view::npos ? value.size() : end;
    }
}

}  // namespace

std::string manifestOptionLines(std::string_view manifest, std::string& skipped) {
    std::string lines;
    addPairs(manifestMainAttribute(manifest, "Add-Opens"), "--add-opens", lines);
    addPairs(manifestMainAttribute(manifest, "Add-Exports"), "--add-exports", lines);
    std::string access = manifestMainAttribute(manifest, "Enable-Native-Access");
    size_t first = access.find_first_not_of(" \t");
    access = first == std::string::npos
                 ? std::string()
                 : access.substr(first, access.find_last_not_of(" \t") - first + 1);
    if (access == "ALL-UNNAMED") {
        lines += "option --enable-native-access=ALL-UNNAMED\r\n";
    } else if (!access.empty()) {
        skipped = "Enable-Native-Access: " + access + " (java -jar takes only ALL-UNNAMED)";
    }
    return lines;
}

bool addManifestOptions(std::string& utf8, const ArchiveMerger& jars,
                        const std::function<void(const std::string&)>& note, Problem& problem) {
    if (jars.sourceCount() == 0 || !jars.hasEntry(0, kManifest)) {
        return true;
    }
    std::string manifest;
    if (!jars.readEntry(0, kManifest, manifest, problem)) {
        return false;
    }
    std::string skipped;
    std::string lines = manifestOptionLines(manifest, skipped);
    if (!skipped.empty()) {
        note("left out " + skipped + " of the manifest of " + quoted(jars.sourcePath(0)));
    }
    if (lines.empty()) {
        return true;
    }
    if (!utf8.empty() && utf8.back() != '\n' && utf8.back() != '\r') {
        utf8 += "\r\n";
    }
    utf8 += lines;
    std::string listed = lines;
    for (size_t at = listed.find("\r\n"); at != std::string::npos; at = listed.find("\r\n", at)) {
        listed.replace(at, 2, "; ");
    }
    note("as java -jar does, the manifest of " + quoted(jars.sourcePath(0)) + " adds " +
         listed.substr(0, listed.size() - 2));
    return true;
}

}  // namespace wynpack
