// The command-line splitter: cuts a text in place into blank-separated entries.
#include "base/command_line.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Gives the entry at index its wildcard mark: -1 once any wildcard stood inside quotes,
// else 1. Earlier entries without a mark get 0.
void markWildcard(ItemArray<int32_t>& marks, int32_t index, bool quoted) {
    while (marks.length() <= index) {
        marks.append(0);
    }
    if (marks[index] != -1) {
        marks[index] = quoted ? -1 : 1;
    }
}

}  // namespace

int splitCommandLine(char* text, ItemArray<char*>& output, ItemArray<int32_t>* marks) {
    int32_t read = 0;
    int32_t write = 0;
    bool quoting = false;

    while (text[read] != '\0') {
        // Blanks between entries become NULs; the first one ends the previous entry.
        while (isBlank(text[read])) {
            text[write++] = '\0';
            ++read;
        }
        if (text[read] == '\0') {
            break;
        }
        output.append(text + write);
        int32_t entry = output.length() - 1;

        while (text[read] != '\0' && (quoting || !isBlank(text[read]))) {
            char c = text[read];
            if (c == '"') {
                quoting = !quoting;
                ++read;
            } else if (c == '\\') {
                int32_t run = 0;
                while (text[read] == '\\') {
                    text[write++] = '\\';
                    ++read;
                    ++run;
                }
                if (text[read] == '"') {
                    // 2k backslashes before a quote leave k and let the quote toggle;
                    // 2k+1 leave k and a literal quote.
                    write -= (run + 1) / 2;
                    if (run % 2 == 1) {
                        text[write++] = '"';
                        ++read;
                    }
                }
            } else {
                if (marks != nullptr && (c == '*' || c == '?')) {
                    markWildcard(*marks, entry, quoting);
                }
                text[write++] = c;
                ++read;
            }
        }
    }
    text[write] = '\0';

    if (marks != nullptr) {
        while (marks->length() < output.length()) {
            marks->append(0);
        }
    }
    return output.length();
}
