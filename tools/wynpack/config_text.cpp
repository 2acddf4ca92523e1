// The configuration text as the packer embeds it (see config_text.h).
#include "config_text.h"

#include <algorithm>
#include <cstdint>

#include "ascii_text.h"
#include "format/little_endian.h"
#include "format/payload_tail.h"
#include "format/text_codecs.h"
#include "text_view.h"

namespace wynpack {

namespace {

// Configuration files larger than this cannot become a text the launcher reads: every
// encoding gives at least one byte of UTF-8 for each two bytes of the file.
constexpr size_t kMaxConfigFileSize = 2 * static_cast<size_t>(kMaxEmbeddedTextSize);

// The length of the line end at i (0 when there is none): CR LF and LF CR are one line end.
size_t lineEndLength(std::string_view text, size_t i) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
        return 0;
    }
    if (i + 1 < text.size()) {
        char next = text[i + 1];
        if ((c == '\r' && next == '\n') || (c == '\n' && next == '\r')) {
            return 2;
        }
    }
    return 1;
}

// The value of one line for key, or false when the line does not match the key.
bool matchLine(std::string_view line, std::string_view key, std::string& value) {
    size_t pos = line.find_first_not_of(' ');
    if (pos == std::string_view::npos || line.size() - pos < key.size() ||
        !equalsIgnoringAsciiCase(line.substr(pos, key.size()), key)) {
        return false;
    }
    pos += key.size();
    if (pos < line.size() && (isAsciiAlnum(line[pos]) || line[pos] == '_')) {
        return false;
    }
    std::string_view rest = line.substr(pos);
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    if (!rest.empty() && rest.front() == '=') {
        rest.remove_prefix(1);
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    }
    value.assign(rest);
    return true;
}

}  // namespace

bool decodeConfigText(std::string_view bytes, DecodedText& out, std::string& reason) {
    if (bytes.size() > kMaxConfigFileSize) {
        reason = "is too large: the launcher reads at most " +
                 std::to_string(kMaxEmbeddedTextSize >> 20) + " MiB of configuration";
        return false;
    }
    TextView view = viewOf(bytes);
    ByteOrderMark mark = byteOrderMarkOf(view);
    TextView rest = viewOf(bytes.substr(static_cast<size_t>(byteOrderMarkLength(mark))));
    TextString utf8;
    switch (mark) {
        case ByteOrderMark::Utf8:
            if (!isValidUtf8(rest)) {
                reason = "is not valid UTF-8 after its UTF-8 byte order mark";
                return false;
            }
            out.encoding = TextEncoding::Utf8WithMark;
            utf8 = rest;
            break;
        case ByteOrderMark::Utf16LittleEndian:
        case ByteOrderMark::Utf16BigEndian: {
            bool bigEndian = mark == ByteOrderMark::Utf16BigEndian;
            out.encoding =
                bigEndian ? TextEncoding::Utf16BigEndian : TextEncoding::Utf16LittleEndian;
            if (rest.length % 2 != 0) {
                reason = "has an odd number of bytes after its UTF-16 byte order mark";
                return false;
            }
            int32_t lone = appendUtf8FromUtf16(utf8, rest, bigEndian, Utf16End::AtLastUnit);
            if (lone >= 0) {
                // The byte offset counts the two bytes of the mark, as an editor shows it.
                reason = "is not valid UTF-16 (a lone surrogate at byte " +
                         std::to_string(lone + 2) + ")";
                return false;
            }
            break;
        }
        case ByteOrderMark::None:
            if (isValidUtf8(view)) {
                out.encoding = TextEncoding::Utf8;
                utf8 = view;
            } else {
                out.encoding = TextEncoding::Windows1252;
                appendUtf8FromWindows1252(utf8, view);
            }
            break;
    }
    out.utf8 = stringOf(utf8);
    return true;
}

int lineNumberAt(std::string_view text, size_t offset) {
    int line = 1;
    size_t i = 0;
    while (i < offset && i < text.size()) {
        size_t end = lineEndLength(text, i);
        if (end == 0) {
            ++i;
            continue;
        }
        i += end;
        if (i <= offset) {
            ++line;
        }
    }
    return line;
}

KeyLine firstKeyLine(std::string_view text, std::string_view key) {
    text = text.substr(0, text.find('\0'));
    KeyLine result;
    int lineNumber = 1;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
            ++end;
        }
        if (matchLine(text.substr(start, end - start), key, result.value)) {
            result.found = true;
            result.lineNumber = lineNumber;
            return result;
        }
        start = end < text.size() ? end + lineEndLength(text, end) : end;
        ++lineNumber;
    }
    return result;
}

bool checkConfigText(std::string_view utf8, std::string& reason) {
    size_t nul = utf8.find('\0');
    if (nul != std::string_view::npos) {
        reason = "holds a NUL character on line " + std::to_string(lineNumberAt(utf8, nul)) +
                 ": the launcher would ignore everything from there on";
        return false;
    }
    KeyLine mainClass = firstKeyLine(utf8, "mainclass");
    if (!mainClass.found) {
        reason = "has no mainclass line: the launcher needs the name of the main class";
        return false;
    }
    if (mainClass.value.empty()) {
        reason = "has no value in its first mainclass line (line " +
                 std::to_string(mainClass.lineNumber) + "), and the launcher takes that one";
        return false;
    }
    return true;
}

bool buildConfigBlock(std::string_view utf8, std::string& block) {
    constexpr size_t kNul = 1;
    size_t length = kUtf8ByteOrderMarkSize + utf8.size() + kNul;
    if (length > static_cast<size_t>(kMaxEmbeddedTextSize)) {
        return false;
    }
    block.clear();
    block.reserve(length + kPayloadLengthFieldSize + kPayloadReservedSize);
    block.append(kUtf8ByteOrderMark, kUtf8ByteOrderMarkSize);
    block.append(utf8);
    block.push_back('\0');
    appendLittleEndian32(block, static_cast<uint32_t>(length));
    block.append(kPayloadReservedSize, '\0');
    return true;
}

}  // namespace wynpack
