// The natives of com.tarnwick.wyn.Instances: which instances of the application run (the
// first one, this one, the whole list), and sending serialisable objects between them.
//
// Windows: exported from the executable under their JNI names (with the stdcall decoration
// on x86), so that the class binds them by loading the executable. Linux: the launcher binds
// them with RegisterNatives from the table below.
#pragma once

#include <jni.h>

#include "base/native_bindings.h"

extern "C" {

// In custom mode firstInstancePid as the block holds it now, else -1.
JNIEXPORT jint JNICALL Java_com_tarnwick_wyn_Instances_getFirstInstance(JNIEnv* env, jclass cls);
// In custom mode this process's id, else -1.
JNIEXPORT jint JNICALL Java_com_tarnwick_wyn_Instances_getCurrentInstance(JNIEnv* env, jclass cls);
// In every mode: the first instance followed by the listed ones, after pruning; null
// without a registry.
JNIEXPORT jintArray JNICALL Java_com_tarnwick_wyn_Instances_getInstances(JNIEnv* env, jclass cls);
}

// The natives as a table for RegisterNatives on com/tarnwick/wyn/Instances.
const NativeClassBinding& instancesNatives();
