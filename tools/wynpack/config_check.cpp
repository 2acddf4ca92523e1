// Checking a configuration text or a packed program's embedded configuration.
#include "config_check.h"

#include "config_checks.h"
#include "config_text.h"
#include "format/payload_tail.h"
#include "input_files.h"

namespace wynpack {

bool embeddedConfigText(std::string_view file, std::string& text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    auto size = static_cast<int64_t>(file.size());
    TextView found;
    if (!embeddedTextAt(bytes, size, locatePayloadMark(bytes, size), found)) {
        return false;
    }
    text.assign(found.data, static_cast<size_t>(found.length));
    return true;
}

bool checkConfiguration(const std::string& path, const PackMessages& messages, std::string& summary,
                        Problem& problem) {
    std::string bytes;
    if (!readInputFile(path, "file", bytes, problem)) {
        return false;
    }
    std::string raw;
    bool embedded = embeddedConfigText(bytes, raw);
    if (!embedded) {
        raw = bytes;
    }
    DecodedText text;
    std::string reason;
    if (!decodeConfigText(raw, text, reason)) {
        return fail(problem, ExitStatus::BadInput, "configuration " + quoted(path) + " " + reason);
    }
    std::string source = quoted(path) + (embedded ? " (embedded configuration) " : " ");
    std::vector<std::string> warnings = configWarnings(text.utf8);
    for (const std::string& warning : warnings) {
        messages.warning(source + warning);
    }
    for (const std::string& note : configNotes(text.utf8)) {
        messages.note(source + note);
    }
    summary = "checked " + quoted(path) + (embedded ? ", the embedded configuration" : "") + ": " +
              std::to_string(warnings.size()) + (warnings.size() == 1 ? " warning" : " warnings");
    return true;
}

}  // namespace wynpack
