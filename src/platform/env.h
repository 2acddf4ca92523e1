// The process environment, with the C runtime's semantics.
//
// Windows: getenv and _putenv, names compared ignoring case. Linux: getenv, setenv and
// unsetenv, names compared with case. On both, putEnv("NAME=") removes the variable.
#pragma once

#include "base/text.h"

namespace platform {

// The value of a variable, or null when it is not set.
const char* getEnv(const char* name);
// Sets "NAME=value", or removes NAME when the value is empty. False on a malformed text.
bool putEnv(const char* assignment);
// The value of a variable that names a path, in its ANSI form (see files.h); empty when the
// variable is unset or the path has no ANSI form. Windows reads the value in UTF-16.
TextString getEnvPath(const char* name);
// Whether two variable names name the same variable on this platform.
bool sameVariableName(TextView a, TextView b);
// Whether the launcher's own path variables (PWD, APPLICATION_HOME, WYN_APP_PATH) are looked up
// before the environment. Linux: yes, since shells export PWD (without the trailing separator,
// and stale after the launcher changes directory). Windows: no, the environment comes first.
bool ownPathVariablesFirst();

}  // namespace platform
