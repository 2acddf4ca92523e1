// Reading and decoding the configuration sources.
#include "config/config_sources.h"

#include <initializer_list>

#include "base/trace.h"
#include "format/text_codecs.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

void appendDecoded(TextString& text, TextView raw) {
    ByteOrderMark mark = byteOrderMarkOf(raw);
    int32_t markLength = byteOrderMarkLength(mark);
    TextView rest(raw.data + markLength, raw.length - markLength);
    switch (mark) {
        case ByteOrderMark::Utf8:
            text.append(rest);
            break;
        case ByteOrderMark::Utf16LittleEndian:
        case ByteOrderMark::Utf16BigEndian:
            // A lone surrogate keeps its three-byte form, as the launcher's UTF-8 encoder
            // writes it; the text ends at its first zero unit.
            appendUtf8FromUtf16(text, rest, mark == ByteOrderMark::Utf16BigEndian,
                                Utf16End::AtZeroUnit);
            break;
        case ByteOrderMark::None:
            if (raw.length > 0) {
                WideString wide = wideFromNarrow(raw.data, raw.length);
                text.append(utf8FromWide(wide.data(), wide.length()));
            }
            break;
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
