// Checking a configuration text or a packed program's embedded configuration.
#include "config_check.h"

#include "byte_order.h"
#include "config_checks.h"
#include "config_text.h"
#include "input_files.h"

namespace wynpack {

namespace {

constexpr uint32_t kEndRecordSignature = 0x06054b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kReservedBlockSize = 16;

}  // namespace

bool embeddedConfigText(std::string_view file, std::string& text) {
    if (file.size() < kEndRecordSize) {
        return false;
    }
    size_t lowest = file.size() > kEndRecordSize + 65535 ? file.size() - kEndRecordSize - 65535 : 0;
    for (size_t at = file.size() - kEndRecordSize + 1; at-- > lowest;) {
        if (readLe32(file, at) != kEndRecordSignature ||
            at + kEndRecordSize + readLe16(file, at + 20) != file.size()) {
            continue;
        }
        // The archive's offsets count from its own first byte (see zip64_locator.h).
        uint64_t directorySize = readLe32(file, at + 12);
        uint64_t directoryOffset = readLe32(file, at + 16);
        if (directorySize + directoryOffset > at) {
            return false;
        }
        uint64_t archiveStart = at - directorySize - directoryOffset;
        if (archiveStart < kReservedBlockSize + 4) {
            return false;
        }
        uint64_t lengthAt = archiveStart - kReservedBlockSize - 4;
        uint64_t length = readLe32(file, lengthAt);
        if (length == 0 || length > lengthAt) {
            return false;
        }
        text = std::string(file.substr(lengthAt - length, length));
        return true;
    }
    return false;
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
