// The field `h` through which the tray's support classes (SystemTray, SystemTrayMenu) carry a
// native pointer. The supplied classes declare it as long; an int field of that name is
// accepted as well. Lookups never leave an exception pending. Same on every platform.
#pragma once

#include <jni.h>

// True when the object's class has a field h of type long or, failing that, int.
bool hasHandleField(JNIEnv* env, jobject object);
// The pointer in h (a long truncated to a pointer, or an int), or null when there is no such
// field or the object is null.
void* getHandleField(JNIEnv* env, jobject object);
// Writes the pointer into h (sign-extended into a long field). False without such a field, and
// for an int field that cannot hold the pointer (in a 64-bit process), which is left as is.
bool setHandleField(JNIEnv* env, jobject object, void* value);
