// The version information resource (see version_info.h).
#include "version_info.h"

#include "byte_order.h"

namespace wynpack {

namespace {

constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr uint32_t kFixedInfoVersion = 0x00010000;
constexpr uint32_t kOsWindowsNt = 0x00040004;
constexpr uint32_t kFileTypeApplication = 1;
constexpr uint32_t kTextValue = 1;
constexpr uint32_t kBinaryValue = 0;

void appendUtf16(std::string& out, std::u16string_view text) {
    for (char16_t c : text) {
        appendLittleEndian16(out, c);
    }
    appendLittleEndian16(out, 0);
}

// One block: length, value length, type, key, padding, value, padding, children. Every block
// starts on a 4-byte boundary of the resource, which holds as long as blocks are built
// separately and padded before they are appended.
std::string block(std::u16string_view key, std::string_view value, uint32_t valueLength,
                  uint32_t type, const std::vector<std::string>& children) {
    std::string out(4, '\0');
    appendLittleEndian16(out, type);
    appendUtf16(out, key);
    padTo(out, 4);
    out += value;
    for (const std::string& child : children) {
        padTo(out, 4);
        out += child;
    }
    putLittleEndian16(out, 0, static_cast<uint32_t>(out.size()));
    putLittleEndian16(out, 2, valueLength);
    return out;
}

std::string textBlock(const std::string& key, const std::string& value) {
    std::u16string text = utf16FromUtf8(value);
    std::string bytes;
    appendUtf16(bytes, text);
    return block(utf16FromUtf8(key), bytes, static_cast<uint32_t>(text.size() + 1), kTextValue, {});
}

void appendVersion(std::string& out, const std::string& dotted) {
    std::array<uint32_t, 4> n{};
    if (!parseDottedVersion(dotted, n)) {
        n = {};
    }
    appendLittleEndian32(out, n[0] << 16 | n[1]);
    appendLittleEndian32(out, n[2] << 16 | n[3]);
}

// A block read back: its key, the bytes after the key (value and children) and where its
// children start within them.
struct ReadBlock {
    std::u16string key;
    std::string_view rest;
    size_t childrenAt = 0;
};

size_t alignedTo4(size_t at) {
    return (at + 3) & ~size_t{3};
}

// Reads the block at the start of bytes; false when its length or key does not fit.
bool readBlock(std::string_view bytes, ReadBlock& read, size_t& length) {
    if (bytes.size() < 6) {
        return false;
    }
    length = littleEndian16(bytes, 0);
    if (length < 6 || length > bytes.size()) {
        return false;
    }
    std::string_view whole = bytes.substr(0, length);
    size_t valueLength = littleEndian16(whole, 2);
    bool text = littleEndian16(whole, 4) == kTextValue;
    read.key.clear();
    size_t at = 6;
    for (;; at += 2) {
        if (at + 2 > whole.size()) {
            return false;
        }
        char16_t c = static_cast<char16_t>(littleEndian16(whole, at));
        if (c == 0) {
            break;
        }
        read.key += c;
    }
    size_t valueAt = alignedTo4(at + 2);
    if (valueAt > whole.size()) {
        valueAt = whole.size();
    }
    read.rest = whole.substr(valueAt);
    read.childrenAt = alignedTo4(valueAt + (text ? 2 * valueLength : valueLength)) - valueAt;
    return true;
}

// The blocks that follow one another in bytes, each on a 4-byte boundary.
std::vector<ReadBlock> readChildren(std::string_view bytes) {
    std::vector<ReadBlock> children;
    size_t at = 0;
    ReadBlock child;
    size_t length = 0;
    while (at < bytes.size() && readBlock(bytes.substr(at), child, length)) {
        children.push_back(child);
        at = alignedTo4(at + length);
    }
    return children;
}

std::string_view childrenOf(const ReadBlock& block) {
    return block.childrenAt < block.rest.size() ? block.rest.substr(block.childrenAt)
                                                : std::string_view{};
}

}  // namespace

bool parseDottedVersion(std::string_view text, std::array<uint32_t, 4>& numbers) {
    numbers = {};
    size_t index = 0;
    size_t at = 0;
    for (;;) {
        size_t end = text.find('.', at);
        std::string_view part = text.substr(at, end == std::string_view::npos ? end : end - at);
        if (index == 4 || part.empty() || part.size() > 5 ||
            part.find_first_not_of("0123456789") != std::string_view::npos) {
            return false;
        }
        uint32_t value = static_cast<uint32_t>(std::stoul(std::string(part)));
        if (value > 0xFFFF) {
            return false;
        }
        numbers[index++] = value;
        if (end == std::string_view::npos) {
            return true;
        }
        at = end + 1;
    }
}

bool findVersionString(std::string_view resource, std::u16string_view name, std::u16string& value) {
    ReadBlock root;
    size_t length = 0;
    if (!readBlock(resource, root, length) || root.key != u"VS_VERSION_INFO") {
        return false;
    }
    for (const ReadBlock& info : readChildren(childrenOf(root))) {
        if (info.key != u"StringFileInfo") {
            continue;
        }
        for (const ReadBlock& table : readChildren(childrenOf(info))) {
            for (const ReadBlock& string : readChildren(childrenOf(table))) {
                if (string.key != name) {
                    continue;
                }
                value.clear();
                for (size_t at = 0; at + 2 <= string.rest.size(); at += 2) {
                    char16_t c = static_cast<char16_t>(littleEndian16(string.rest, at));
                    if (c == 0) {
                        break;
                    }
                    value += c;
                }
                return true;
            }
        }
    }
    return false;
}

std::u16string utf16FromUtf8(std::string_view utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        auto c = static_cast<unsigned char>(utf8[i]);
        size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (i + extra >= utf8.size()) {
            break;
        }
        uint32_t code = extra == 0 ? c : c & (0x3F >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

std::string buildVersionInfo(const VersionFields& fields) {
    std::string fixed;
    appendLittleEndian32(fixed, kFixedInfoSignature);
    appendLittleEndian32(fixed, kFixedInfoVersion);
    appendVersion(fixed, fields.fileVersion);
    appendVersion(fixed, fields.productVersion);
    appendLittleEndian32(fixed, 0x3F);  // flags mask
    appendLittleEndian32(fixed, 0);     // flags
    appendLittleEndian32(fixed, kOsWindowsNt);
    appendLittleEndian32(fixed, kFileTypeApplication);
    appendLittleEndian32(fixed, 0);  // subtype
    appendLittleEndian32(fixed, 0);  // date, high
    appendLittleEndian32(fixed, 0);  // date, low

    std::vector<std::string> strings;
    for (const auto& [name, value] : fields.strings) {
        if (!value.empty()) {
            strings.push_back(textBlock(name, value));
        }
    }
    std::string table = block(u"040904B0", {}, 0, kTextValue, strings);
    std::string stringInfo = block(u"StringFileInfo", {}, 0, kTextValue, {table});
    std::string translation;
    appendLittleEndian16(translation, 0x0409);
    appendLittleEndian16(translation, 1200);
    std::string var = block(u"Translation", translation, 4, kBinaryValue, {});
    std::string varInfo = block(u"VarFileInfo", {}, 0, kTextValue, {var});
    return block(u"VS_VERSION_INFO", fixed, static_cast<uint32_t>(fixed.size()), kBinaryValue,
                 {stringInfo, varInfo});
}

}  // namespace wynpack
