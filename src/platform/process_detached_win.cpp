// Starting a detached program on Windows: no console, no window, a process group of its
// own, below-normal priority, standard handles on NUL.
#include <windows.h>

#include "platform/process.h"

namespace platform {

namespace {

// Appends one argument so that the C runtime's command-line splitting gives it back: quoted
// when it is empty or holds a blank, a tab or a quote; a run of n backslashes doubles before
// a quote (which is then escaped) and before the closing quote.
void appendArgument(TextString& line, const char* argument) {
    bool quote = argument[0] == '\0';
    for (const char* p = argument; *p != '\0'; ++p) {
        quote = quote || *p == ' ' || *p == '\t' || *p == '"';
    }
    if (!quote) {
        line.append(argument);
        return;
    }
    line.append('"');
    for (const char* p = argument;; ++p) {
        int32_t backslashes = 0;
        while (*p == '\\') {
            ++backslashes;
            ++p;
        }
        int32_t copies = *p == '\0'  ? 2 * backslashes
                         : *p == '"' ? 2 * backslashes + 1
                                     : backslashes;
        for (int32_t i = 0; i < copies; ++i) {
            line.append('\\');
        }
        if (*p == '\0') {
            break;
        }
        line.append(*p);
    }
    line.append('"');
}

}  // namespace

int32_t startDetachedProcess(const StringList& argv) {
    if (argv.count() == 0) {
        return 0;
    }
    TextString line;
    for (int32_t i = 0; i < argv.count(); ++i) {
        if (i > 0) {
            line.append(' ');
        }
        appendArgument(line, argv.stringAt(i));
    }
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE null =
        CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, OPEN_EXISTING, 0, nullptr);
    if (null == INVALID_HANDLE_VALUE) {
        return 0;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_FORCEOFFFEEDBACK;
    startup.hStdInput = null;
    startup.hStdOutput = null;
    startup.hStdError = null;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(argv.stringAt(0), line.data(), nullptr, nullptr, TRUE,
                                  DETACHED_PROCESS | CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP |
                                      BELOW_NORMAL_PRIORITY_CLASS,
                                  nullptr, nullptr, &startup, &process);
    CloseHandle(null);
    if (!started) {
        return 0;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int32_t>(process.dwProcessId);
}

}  // namespace platform
