// The process environment on Windows, through the C runtime (which keeps Win32's copy in step).
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/env.h"
#include "platform/files.h"

namespace platform {

const char* getEnv(const char* name) {
    return std::getenv(name);
}

bool putEnv(const char* assignment) {
    return _putenv(assignment) == 0;
}

TextString getEnvPath(const char* name) {
    std::wstring wideName(name, name + std::char_traits<char>::length(name));
    DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size <= 1) {
        return TextString();
    }
    std::wstring value(size, L'\0');
    DWORD n = GetEnvironmentVariableW(wideName.c_str(), &value[0], size);
    if (n == 0 || n >= size) {
        return TextString();
    }
    value.resize(n);
    return ansiPathOf(reinterpret_cast<const char16_t*>(value.c_str()));
}

bool sameVariableName(TextView a, TextView b) {
    return TextString(a).compareNoCase(b) == 0;
}

bool ownPathVariablesFirst() {
    return false;
}

}  // namespace platform
