// The index of a Java runtime carried inside the executable; see runtime_index.h.
#include "format/runtime_index.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <utility>

#include "format/sha256.h"

namespace {

constexpr const char kHeaderLine[] = "wyn-runtime 1";
constexpr const char* kPlatforms[] = {"linux-x86_64", "windows-x86_64", "windows-x86"};
constexpr int32_t kMaxReleaseBytes = 256;

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalNoCase(TextView text, const char* word) {
    int32_t n = static_cast<int32_t>(std::strlen(word));
    if (text.length != n) {
        return false;
    }
    for (int32_t i = 0; i < n; ++i) {
        if (asciiLower(text.data[i]) != asciiLower(word[i])) {
            return false;
        }
    }
    return true;
}

bool isControlByte(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
}

bool isValidUtf8(TextView text) {
    int32_t i = 0;
    while (i < text.length) {
        int32_t n = utf8SequenceLength(text.data + i, text.length - i);
        if (n == 0) {
            return false;
        }
        i += n;
    }
    return true;
}

// Windows opens a device instead of a file for these names, whatever the extension and the
// case; trailing spaces before the extension are ignored too. The digits of COM and LPT
// include 0 and the superscripts 1 to 3, which Windows also takes as device names.
bool isDeviceName(TextView component) {
    int32_t stem = 0;
    while (stem < component.length && component.data[stem] != '.') {
        ++stem;
    }
    while (stem > 0 && component.data[stem - 1] == ' ') {
        --stem;
    }
    TextView name(component.data, stem);
    for (const char* word : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
        if (equalNoCase(name, word)) {
            return true;
        }
    }
    if (stem < 4) {
        return false;
    }
    TextView prefix(component.data, 3);
    if (!equalNoCase(prefix, "com") && !equalNoCase(prefix, "lpt")) {
        return false;
    }
    const char* digit = component.data + 3;
    if (stem == 4) {
        return *digit >= '0' && *digit <= '9';
    }
    // U+00B9, U+00B2 and U+00B3 in UTF-8.
    return stem == 5 && digit[0] == '\xc2' &&
           (digit[1] == '\xb9' || digit[1] == '\xb2' || digit[1] == '\xb3');
}

bool isSafeComponent(TextView component) {
    if (component.length == 0) {
        return false;
    }
    if ((component.length == 1 && component.data[0] == '.') ||
        (component.length == 2 && component.data[0] == '.' && component.data[1] == '.')) {
        return false;
    }
    char last = component.data[component.length - 1];
    if (last == '.' || last == ' ') {
        return false;
    }
    return !isDeviceName(component);
}

// Splits the next line off rest; false when rest holds no complete line.
bool nextLine(TextView& rest, TextView& line) {
    const void* end = std::memchr(rest.data, '\n', static_cast<size_t>(rest.length));
    if (end == nullptr) {
        return false;
    }
    int32_t n = static_cast<int32_t>(static_cast<const char*>(end) - rest.data);
    line = TextView(rest.data, n);
    rest = TextView(rest.data + n + 1, rest.length - n - 1);
    return true;
}

bool startsWith(TextView text, const char* prefix) {
    size_t n = std::strlen(prefix);
    return static_cast<size_t>(text.length) >= n && std::memcmp(text.data, prefix, n) == 0;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Reads "<field> " from the front of rest into field; false when no space follows a non-empty
// field.
bool nextField(TextView& rest, TextView& field) {
    const void* space = std::memchr(rest.data, ' ', static_cast<size_t>(rest.length));
    if (space == nullptr) {
        return false;
    }
    int32_t n = static_cast<int32_t>(static_cast<const char*>(space) - rest.data);
    if (n == 0) {
        return false;
    }
    field = TextView(rest.data, n);
    rest = TextView(rest.data + n + 1, rest.length - n - 1);
    return true;
}

bool parseDigest(TextView field, unsigned char out[32]) {
    if (field.length != 64) {
        return false;
    }
    for (int i = 0; i < 32; ++i) {
        int high = hexValue(field.data[2 * i]);
        int low = hexValue(field.data[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        out[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}

// A decimal size without sign or leading zero, at most kMaxRuntimeFileSize.
bool parseSize(TextView field, int64_t& size) {
    if (field.length == 0 || field.length > 13 || (field.length > 1 && field.data[0] == '0')) {
        return false;
    }
    int64_t value = 0;
    for (int32_t i = 0; i < field.length; ++i) {
        char c = field.data[i];
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value > kMaxRuntimeFileSize) {
        return false;
    }
    size = value;
    return true;
}

// Three or four octal digits.
bool parseMode(TextView field, int32_t& mode) {
    if (field.length != 3 && field.length != 4) {
        return false;
    }
    int32_t value = 0;
    for (int32_t i = 0; i < field.length; ++i) {
        char c = field.data[i];
        if (c < '0' || c > '7') {
            return false;
        }
        value = value * 8 + (c - '0');
    }
    mode = value;
    return true;
}

int compareBytes(TextView a, TextView b) {
    int32_t n = a.length < b.length ? a.length : b.length;
    if (n > 0) {
        int c = std::memcmp(a.data, b.data, static_cast<size_t>(n));
        if (c != 0) {
            return c;
        }
    }
    return a.length < b.length ? -1 : (a.length > b.length ? 1 : 0);
}

TextString lowerCased(TextView text) {
    TextString result(text);
    for (int32_t i = 0; i < result.length(); ++i) {
        result[i] = asciiLower(result[i]);
    }
    return result;
}

// Paths that would land on one file where case is ignored, or a file that another path needs
// as its directory (with or without case). Fills problem and returns false for the first.
bool checkPathsApart(const std::vector<RuntimeFile>& files, TextString& problem) {
    std::vector<TextString> folded;
    folded.reserve(files.size());
    for (const RuntimeFile& file : files) {
        folded.push_back(lowerCased(file.path));
    }
    std::sort(folded.begin(), folded.end(),
              [](const TextString& a, const TextString& b) { return compareBytes(a, b) < 0; });
    for (size_t i = 1; i < folded.size(); ++i) {
        if (compareBytes(folded[i - 1], folded[i]) == 0) {
            problem.format("two files differ only in case: %s", folded[i].c_str());
            return false;
        }
    }
    // Every path under a directory "d/" sorts at or after "d/" itself; the first path not
    // before it shows whether any lies under it.
    for (const TextString& path : folded) {
        TextString directory = TextString::concat(path, "/");
        auto under = std::lower_bound(
            folded.begin(), folded.end(), directory,
            [](const TextString& a, const TextString& b) { return compareBytes(a, b) < 0; });
        if (under != folded.end() && startsWith(*under, directory.c_str())) {
            problem.format("a file is also a directory of another: %s", path.c_str());
            return false;
        }
    }
    return true;
}

bool refuse(TextString& problem, int32_t line, const char* what) {
    problem.format("line %" PRId32 ": %s", line, what);
    return false;
}

bool parseFileLine(TextView line, RuntimeFile& file) {
    TextView rest(line.data + 5, line.length - 5);  // after "file "
    TextView digest, size, mode;
    return nextField(rest, digest) && parseDigest(digest, file.sha256) && nextField(rest, size) &&
           parseSize(size, file.size) && nextField(rest, mode) && parseMode(mode, file.mode) &&
           isSafeRuntimePath(rest) && ((file.path = TextString(rest)), true);
}

}  // namespace

bool isSafeRuntimePath(TextView path) {
    if (path.length == 0 || path.length > kMaxRuntimePathBytes || path.data[0] == '/' ||
        !isValidUtf8(path)) {
        return false;
    }
    int32_t start = 0;
    for (int32_t i = 0; i <= path.length; ++i) {
        if (i == path.length || path.data[i] == '/') {
            if (!isSafeComponent(TextView(path.data + start, i - start))) {
                return false;
            }
            start = i + 1;
            continue;
        }
        char c = path.data[i];
        if (c == '\\' || c == ':' || isControlByte(c)) {
            return false;
        }
    }
    return true;
}

bool parseRuntimeIndex(TextView text, RuntimeIndex& index, TextString& problem) {
    index.platform.clear();
    index.release.clear();
    index.files.clear();
    if (text.length > kMaxRuntimeIndexBytes) {
        problem.format("the index is larger than %" PRId32 " bytes", kMaxRuntimeIndexBytes);
        return false;
    }
    TextView rest = text;
    TextView line;
    if (!nextLine(rest, line) || compareBytes(line, kHeaderLine) != 0) {
        return refuse(problem, 1, "not a runtime index of version 1");
    }
    if (!nextLine(rest, line) || !startsWith(line, "platform ")) {
        return refuse(problem, 2, "no platform line");
    }
    TextView platform(line.data + 9, line.length - 9);
    bool known = false;
    for (const char* name : kPlatforms) {
        known = known || compareBytes(platform, name) == 0;
    }
    if (!known) {
        return refuse(problem, 2, "an unknown platform");
    }
    index.platform = TextString(platform);
    if (!nextLine(rest, line) || !startsWith(line, "release ")) {
        return refuse(problem, 3, "no release line");
    }
    TextView release(line.data + 8, line.length - 8);
    bool releaseFine =
        release.length > 0 && release.length <= kMaxReleaseBytes && isValidUtf8(release);
    for (int32_t i = 0; releaseFine && i < release.length; ++i) {
        releaseFine = !isControlByte(release.data[i]);
    }
    if (!releaseFine) {
        return refuse(problem, 3,
                      "the release is empty, too long, not UTF-8 or has a control byte");
    }
    index.release = TextString(release);
    int32_t lineNumber = 3;
    while (rest.length > 0) {
        ++lineNumber;
        if (!nextLine(rest, line)) {
            return refuse(problem, lineNumber, "the last line has no line end");
        }
        if (!startsWith(line, "file ")) {
            return refuse(problem, lineNumber, "not a file line");
        }
        if (static_cast<int32_t>(index.files.size()) >= kMaxRuntimeFiles) {
            return refuse(problem, lineNumber, "more files than a runtime index may list");
        }
        RuntimeFile file;
        if (!parseFileLine(line, file)) {
            return refuse(problem, lineNumber,
                          "not \"file <sha256> <size> <mode> <path>\" with a safe path and a "
                          "size within the limit");
        }
        if (!index.files.empty() && compareBytes(index.files.back().path, file.path) >= 0) {
            return refuse(problem, lineNumber, "the paths are not sorted or one comes twice");
        }
        index.files.push_back(std::move(file));
    }
    if (index.files.empty()) {
        return refuse(problem, lineNumber + 1, "the index lists no file");
    }
    return checkPathsApart(index.files, problem);
}

TextString writeRuntimeIndex(const RuntimeIndex& index) {
    std::vector<const RuntimeFile*> sorted;
    sorted.reserve(index.files.size());
    for (const RuntimeFile& file : index.files) {
        sorted.push_back(&file);
    }
    std::sort(sorted.begin(), sorted.end(), [](const RuntimeFile* a, const RuntimeFile* b) {
        return compareBytes(a->path, b->path) < 0;
    });
    TextString text(kHeaderLine);
    text.append("\nplatform ");
    text.append(index.platform);
    text.append("\nrelease ");
    text.append(index.release);
    text.append("\n");
    TextString line;
    for (const RuntimeFile* file : sorted) {
        char digest[65];
        sha256Hex(file->sha256, digest);
        line.format("file %s %" PRId64 " %03o ", digest, file->size,
                    static_cast<unsigned>(file->mode) & 07777u);
        text.append(line);
        text.append(file->path);
        text.append("\n");
    }
    return text;
}

TextString runtimeContentKey(TextView indexText) {
    Sha256 hash;
    hash.update(indexText.data, indexText.length);
    unsigned char digest[32];
    hash.finish(digest);
    char hex[65];
    sha256Hex(digest, hex);
    return TextString(hex, 32);
}
