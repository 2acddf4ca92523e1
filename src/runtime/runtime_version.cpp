// Reading a runtime's declared version from its release file.
#include "runtime/runtime_version.h"

#include <cstdio>
#include <cstring>

namespace {

// A release file is a few kilobytes; reading stops here whatever its size.
constexpr int32_t kReleaseReadLimit = 64 * 1024;
// Directories above the library's own that may be the runtime's home.
constexpr int kHomeLevels = 4;

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// The length of the text up to its last separator (0 when there is none).
int32_t parentLength(const char* path, int32_t length) {
    while (length > 0 && !isSeparator(path[length - 1])) {
        --length;
    }
    while (length > 1 && isSeparator(path[length - 1])) {
        --length;
    }
    return length;
}

bool readRelease(const TextString& path, TextString& version) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    ByteBuffer buffer;
    buffer.resize(kReleaseReadLimit);
    size_t length = std::fread(buffer.data(), 1, kReleaseReadLimit, file);
    std::fclose(file);
    return releaseFileJavaVersion(TextView(buffer.data(), static_cast<int32_t>(length)), version);
}

}  // namespace

bool releaseFileJavaVersion(TextView releaseText, TextString& version) {
    static const char kKey[] = "JAVA_VERSION=\"";
    const int32_t keyLength = static_cast<int32_t>(sizeof kKey - 1);
    int32_t lineStart = 0;
    while (lineStart < releaseText.length) {
        int32_t lineEnd = lineStart;
        while (lineEnd < releaseText.length && releaseText.data[lineEnd] != '\n') {
            ++lineEnd;
        }
        if (lineEnd - lineStart > keyLength &&
            std::memcmp(releaseText.data + lineStart, kKey, keyLength) == 0) {
            int32_t valueStart = lineStart + keyLength;
            int32_t valueEnd = valueStart;
            while (valueEnd < lineEnd && releaseText.data[valueEnd] != '"') {
                ++valueEnd;
            }
            if (valueEnd < lineEnd) {
                version = TextString(releaseText.data + valueStart, valueEnd - valueStart);
                return true;
            }
        }
        lineStart = lineEnd + 1;
    }
    return false;
}

namespace {

// The home (the directory of the release file) and its declared version; false when none.
bool findDeclaringHome(TextView libraryPath, TextString& home, TextString& version) {
    int32_t length = parentLength(libraryPath.data, libraryPath.length);
    for (int level = 0; level <= kHomeLevels && length > 0; ++level) {
        TextString release(libraryPath.data, length);
        release.append("/release");
        if (readRelease(release, version)) {
            home = TextString(libraryPath.data, length);
            return true;
        }
        int32_t parent = parentLength(libraryPath.data, length);
        if (parent == length) {
            break;
        }
        length = parent;
    }
    return false;
}

}  // namespace

TextString declaredRuntimeVersion(TextView libraryPath) {
    TextString home;
    TextString version;
    findDeclaringHome(libraryPath, home, version);
    return version;
}

TextString declaredRuntimeHome(TextView libraryPath) {
    TextString home;
    TextString version;
    findDeclaringHome(libraryPath, home, version);
    return home;
}
