// The natives of one support class, as a table for JNI RegisterNatives.
//
// On Windows the support classes bind their natives themselves with System.load of the
// executable, which exports them under their JNI names. A Linux executable is position
// independent and cannot be loaded that way, so there the launcher registers each table when
// the first support class the application uses asks for the launcher's built-in library.
// Each native module offers its table next to its natives.
#pragma once

#include <jni.h>

struct NativeClassBinding {
    const char* className;  // slashed form, e.g. "com/tarnwick/wyn/SplashScreen"
    const JNINativeMethod* methods;
    int count;
};
