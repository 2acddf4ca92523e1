// The pattern expander: every file and directory that a pattern with '*' and '?' names,
// component by component, depth first, in the order the directory enumeration lists them.
#include <cstring>

#include "platform/files.h"
#include "platform/wildcard_expansion.h"

namespace {

bool isWildcard(char c) {
    return c == '*' || c == '?';
}

// Expands the wildcards of pattern that lie at or after searchFrom. Bytes before searchFrom
// are names that an enumeration has already produced; on Linux such a name may itself hold
// '*' or '?', and reading it again as a pattern would match the same directory forever.
void expandFrom(const TextString& pattern, int32_t searchFrom, StringList& output) {
    int32_t length = pattern.length();
    int32_t wildcard = searchFrom;
    while (wildcard < length && !isWildcard(pattern[wildcard])) {
        ++wildcard;
    }
    if (wildcard == length) {
        if (platform::exists(pattern.c_str())) {
            output.addString(pattern);
        }
        return;
    }

    int32_t prefixEnd = wildcard;
    while (prefixEnd > 0 && !platform::isPathSeparator(pattern[prefixEnd - 1])) {
        --prefixEnd;
    }
    int32_t componentEnd = wildcard;
    while (componentEnd < length && !platform::isPathSeparator(pattern[componentEnd])) {
        ++componentEnd;
    }

    TextString prefix = pattern.left(prefixEnd);
    TextString rest = pattern.tail(componentEnd);
    platform::DirectoryEnumeration entries(pattern.left(componentEnd).c_str());
    platform::DirectoryEntry entry;
    while (entries.next(entry)) {
        if (entry.name == "." || entry.name == "..") {
            continue;
        }
        TextString path = TextString::concat(prefix, entry.name);
        if (componentEnd == length) {
            output.addString(path);
        } else if (entry.isDirectory) {
            int32_t resolved = path.length();
            path.append(rest);
            expandFrom(path, resolved, output);
        }
    }
}

}  // namespace

void expandWildcards(const char* pattern, StringList& output, int32_t literalLength) {
    if (pattern == nullptr) {
        return;
    }
    TextString text(pattern);
    expandFrom(text, literalLength > 0 && literalLength <= text.length() ? literalLength : 0,
               output);
}
