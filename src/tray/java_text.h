// Java strings as ANSI text for the shell (narrowFromWide over the string's UTF-16 units).
// Same on every platform.
#pragma once

#include <jni.h>

#include "base/text.h"

// The string in ANSI. False (and out empty) for a null string or when its characters cannot
// be read; no exception is left pending.
bool ansiFromJavaString(JNIEnv* env, jstring text, TextString& out);
