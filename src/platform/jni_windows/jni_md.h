/*
 * Machine-dependent JNI types for the Windows targets, used with the JDK's own jni.h.
 *
 * On Windows JNI functions use the stdcall convention (which decorates names on x86 and is
 * the plain convention on x86-64), natives are exported from the launcher executable, and
 * jint is the 32-bit long of the Windows data model.
 */
#ifndef WYN_PLATFORM_JNI_WINDOWS_JNI_MD_H
#define WYN_PLATFORM_JNI_WINDOWS_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
