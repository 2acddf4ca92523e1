// The running process on Linux: a command line rebuilt from argv.
#include <cstring>

#include "platform/process.h"

namespace platform {

namespace {

bool needsQuotes(const char* argument) {
    return argument[0] == '\0' || std::strpbrk(argument, " \t\"") != nullptr;
}

// Writes one argument between double quotes so that the splitter reads it back unchanged:
// a run of n backslashes becomes 2n + 1 before a quote (which follows escaped) and 2n before
// the closing quote; elsewhere backslashes stay as they are.
void appendQuoted(TextString& line, const char* argument) {
    line.append('"');
    for (const char* p = argument;; ++p) {
        int32_t backslashes = 0;
        while (*p == '\\') {
            ++backslashes;
            ++p;
        }
        if (*p == '\0') {
            for (int32_t i = 0; i < 2 * backslashes; ++i) {
                line.append('\\');
            }
            break;
        }
        if (*p == '"') {
            for (int32_t i = 0; i < 2 * backslashes + 1; ++i) {
                line.append('\\');
            }
        } else {
            for (int32_t i = 0; i < backslashes; ++i) {
                line.append('\\');
            }
        }
        line.append(*p);
    }
    line.append('"');
}

}  // namespace

TextString rawCommandLine(int argc, char** argv) {
    TextString line;
    for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
        if (i > 0) {
            line.append(' ');
        }
        if (needsQuotes(argv[i])) {
            appendQuoted(line, argv[i]);
        } else {
            line.append(argv[i]);
        }
    }
    return line;
}

}  // namespace platform
