// The process environment on Windows, through the C runtime (which keeps Win32's copy in step).
#include <cstdlib>

#include "platform/env.h"

namespace platform {

const char* getEnv(const char* name) {
    return std::getenv(name);
}

bool putEnv(const char* assignment) {
    return _putenv(assignment) == 0;
}

bool sameVariableName(TextView a, TextView b) {
    return TextString(a).compareNoCase(b) == 0;
}

bool ownPathVariablesFirst() {
    return false;
}

}  // namespace platform
