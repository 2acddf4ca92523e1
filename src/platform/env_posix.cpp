// The process environment on Linux.
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "platform/env.h"

namespace platform {

const char* getEnv(const char* name) {
    return std::getenv(name);
}

bool putEnv(const char* assignment) {
    const char* equals = std::strchr(assignment, '=');
    if (equals == nullptr || equals == assignment) {
        return false;
    }
    TextString name(assignment, static_cast<int32_t>(equals - assignment));
    if (equals[1] == '\0') {
        return unsetenv(name.c_str()) == 0;
    }
    return setenv(name.c_str(), equals + 1, 1) == 0;
}

TextString getEnvPath(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? TextString(value) : TextString();
}

bool sameVariableName(TextView a, TextView b) {
    return TextString(a).compare(b) == 0;
}

bool ownPathVariablesFirst() {
    return true;
}

}  // namespace platform
