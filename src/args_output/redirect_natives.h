// The natives of com.tarnwick.wyn.RedirOutputStream, the Java-side fallback of output
// redirection: they write to the target whose handle the launcher put in the stream's long
// field `h`. write takes one byte, writeBytes a whole range of an array in one system call
// per chunk; a failed write is dropped, and no Java exception is raised of their own.
//
// Windows: exported from the executable under their JNI names (stdcall-decorated on x86), so
// the class binds them by loading the executable; `h` holds a HANDLE. Linux: bound by the
// launcher with RegisterNatives from the table below; `h` holds a descriptor.
#pragma once

#include <jni.h>

#include "base/native_bindings.h"

extern "C" {

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_RedirOutputStream_write(JNIEnv* env, jobject self,
                                                                     jint b);
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_RedirOutputStream_writeBytes(JNIEnv* env, jobject self,
                                                                          jbyteArray bytes,
                                                                          jint offset, jint length);
}

// The two natives as a table for RegisterNatives on com/tarnwick/wyn/RedirOutputStream.
const NativeClassBinding& redirOutputStreamNatives();
