// The natives of com.tarnwick.wyn.SplashScreen, which let the Java application find, time
// and close the launcher's native splash window.
//
// Windows: exported from the executable under their JNI names (with the stdcall decoration on
// x86), so that the class binds them by loading the executable. Linux: there is no native
// splash window; the natives answer "no splash" and do nothing, and the launcher binds them
// with RegisterNatives from the table below.
#pragma once

#include <jni.h>

#include "base/native_bindings.h"

extern "C" {

// The one SplashScreen object while the native splash window exists, else null. The object
// is made on the first call (an instance of cls through its no-argument constructor) and kept
// for the life of the process.
JNIEXPORT jobject JNICALL Java_com_tarnwick_wyn_SplashScreen_nativeGetSplashScreen(JNIEnv* env,
                                                                                   jclass cls);
// Replaces the window's auto-close timer; a negative ms only cancels it.
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SplashScreen_nativeAutoClose(JNIEnv* env, jobject self,
                                                                          jint ms);
// Closes the window.
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SplashScreen_nativeClose(JNIEnv* env, jobject self);
}

// The three natives as a table for RegisterNatives on com/tarnwick/wyn/SplashScreen.
const NativeClassBinding& splashScreenNatives();
