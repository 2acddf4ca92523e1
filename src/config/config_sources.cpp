// Reading and decoding the configuration sources.
#include "config/config_sources.h"

#include <initializer_list>

#include "base/trace.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool startsWith(TextView raw, const char* mark, int32_t markLength) {
    return raw.length >= markLength && std::memcmp(raw.data, mark, markLength) == 0;
}

// UTF-16 units after a two-byte mark, in the byte order given; up to the first zero unit.
void appendUtf16(TextString& text, TextView raw, bool bigEndian) {
    int32_t units = (raw.length - 2) / 2;
    WideString wide;
    wide.resize(units);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(raw.data) + 2;
    for (int32_t i = 0; i < units; ++i) {
        unsigned first = bytes[2 * i], second = bytes[2 * i + 1];
        wide[i] = static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    text.append(utf8FromWide(wide.data(), units));
}

}  // namespace

void appendDecoded(TextString& text, TextView raw) {
    if (startsWith(raw, "\xEF\xBB\xBF", 3)) {
        text.Buffer<char>::append(raw.data + 3, raw.length - 3);
    } else if (startsWith(raw, "\xFF\xFE", 2)) {
        appendUtf16(text, raw, false);
    } else if (startsWith(raw, "\xFE\xFF", 2)) {
        appendUtf16(text, raw, true);
    } else if (raw.length > 0) {
        WideString wide = wideFromNarrow(raw.data, raw.length);
        text.append(utf8FromWide(wide.data(), wide.length()));
    }
}

void externalConfigCandidates(TextView exePath, StringList& candidates) {
    candidates.clear();
    if (exePath.length <= 0) {
        return;
    }
    int32_t end = exePath.length;
    int32_t dot = end;
    for (int32_t i = end - 1; i >= 0 && !isSeparator(exePath.data[i]); --i) {
        if (exePath.data[i] == '.') {
            dot = i;
            break;
        }
    }
    for (int32_t point : {end, dot}) {
        for (const char* suffix : {".cfg", ".config"}) {
            candidates.addString(TextString::concat(TextView(exePath.data, point), suffix));
        }
    }
}

bool readExternalConfig(TextView exePath, ByteBuffer& raw) {
    StringList candidates;
    externalConfigCandidates(exePath, candidates);
    for (int32_t i = 0; i < candidates.count(); ++i) {
        const char* candidate = candidates.stringAt(i);
        if (platform::readWholeFile(candidate, raw)) {
            trace("external configuration %s (%d bytes)", candidate, raw.length());
            return true;
        }
    }
    raw.resize(0);
    return false;
}

TextString directoryOf(TextView path) {
    int32_t i = path.length;
    while (i > 0 && !isSeparator(path.data[i - 1])) {
        --i;
    }
    return TextString(path.data, i);
}

TextString currentDirectoryWithSeparator() {
    TextString directory = platform::currentDirectory();
    if (!directory.empty() && !isSeparator(directory[directory.length() - 1])) {
        directory.append('/');
    }
    return directory;
}
