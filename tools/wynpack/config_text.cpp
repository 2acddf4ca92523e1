// The configuration text as the packer embeds it (see config_text.h).
#include "config_text.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "ascii_text.h"

namespace wynpack {

namespace {

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool startsWith(std::string_view bytes, std::string_view mark) {
    return bytes.substr(0, mark.size()) == mark;
}

// UTF-16 units (after the byte order mark) to UTF-8; surrogate pairs become one character.
bool utf8FromUtf16(std::string_view bytes, bool bigEndian, std::string& out, std::string& reason) {
    if (bytes.size() % 2 != 0) {
        reason = "has an odd number of bytes after its UTF-16 byte order mark";
        return false;
    }
    auto unitAt = [&](size_t i) {
        auto first = static_cast<unsigned char>(bytes[i]);
        auto second = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<uint32_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    };
    out.clear();
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            uint32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            // The byte offset counts the two bytes of the mark, as an editor shows it.
            reason = "is not valid UTF-16 (a lone surrogate at byte " + std::to_string(i + 2) + ")";
            return false;
        }
        appendUtf8(out, unit);
    }
    return true;
}

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

// Windows-1252 code points for the bytes 0x80 to 0x9F.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        auto lead = static_cast<unsigned char>(bytes[i]);
        size_t more;
        uint32_t code, minimum;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1, code = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2, code = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3, code = lead & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i - 1 < more) {
            return false;
        }
        for (size_t k = 1; k <= more; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = code << 6 | (next & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += more + 1;
    }
    return true;
}

std::string utf8FromWindows1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        appendUtf8(out, (b >= 0x80 && b <= 0x9F) ? kWindows1252High[b - 0x80] : b);
    }
    return out;
}

bool decodeConfigText(std::string_view bytes, DecodedText& out, std::string& reason) {
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        std::string_view text = bytes.substr(3);
        if (!isValidUtf8(text)) {
            reason = "is not valid UTF-8 after its UTF-8 byte order mark";
            return false;
        }
        out.utf8.assign(text);
        out.encoding = TextEncoding::Utf8WithMark;
        return true;
    }
    if (startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF")) {
        bool bigEndian = bytes[0] == '\xFE';
        out.encoding = bigEndian ? TextEncoding::Utf16BigEndian : TextEncoding::Utf16LittleEndian;
        return utf8FromUtf16(bytes.substr(2), bigEndian, out.utf8, reason);
    }
    if (isValidUtf8(bytes)) {
        out.utf8.assign(bytes);
        out.encoding = TextEncoding::Utf8;
    } else {
        out.utf8 = utf8FromWindows1252(bytes);
        out.encoding = TextEncoding::Windows1252;
    }
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
    constexpr size_t kMark = 3, kNul = 1, kLengthField = 4, kReserved = 16;
    size_t length = kMark + utf8.size() + kNul;
    if (utf8.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()) - kMark - kNul) {
        return false;
    }
    block.clear();
    block.reserve(length + kLengthField + kReserved);
    block.append("\xEF\xBB\xBF");
    block.append(utf8);
    block.push_back('\0');
    for (int shift = 0; shift < 32; shift += 8) {
        block.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    block.append(kReserved, '\0');
    return true;
}

}  // namespace wynpack
