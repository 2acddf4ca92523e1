// The natives of com.tarnwick.wyn.SystemTray and com.tarnwick.wyn.SystemTrayMenu, which let
// the Java application put icons into the notification area, give them popup menus and
// receive their events through a SystemTrayCallback, and ask whether icons can be shown.
//
// Windows: exported from the executable under their JNI names (with the stdcall decoration on
// x86), so that the classes bind them by loading the executable. Linux: the launcher binds
// them with RegisterNatives from the tables below; shown icons go to the session bus.
#pragma once

#include <jni.h>

#include "base/native_bindings.h"

extern "C" {

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_init(JNIEnv* env, jobject self, jint icon,
                                                             jstring tip, jstring info,
                                                             jstring infoTitle, jint infoType);
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_Change(JNIEnv* env, jobject self, jint icon,
                                                               jstring tip, jstring info,
                                                               jstring infoTitle, jint infoType);
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_Show(JNIEnv* env, jobject self);
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_Hide(JNIEnv* env, jobject self);
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_finalize(JNIEnv* env, jobject self);
JNIEXPORT jboolean JNICALL Java_com_tarnwick_wyn_SystemTray_isSupported(JNIEnv* env, jclass cls);
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_setSystemTrayCallback(JNIEnv* env,
                                                                              jclass cls,
                                                                              jobject callback);

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTrayMenu_init(JNIEnv* env, jobject self);
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTrayMenu_Append__Ljava_lang_String_2I(
    JNIEnv* env, jobject self, jstring text, jint id);
JNIEXPORT void JNICALL
Java_com_tarnwick_wyn_SystemTrayMenu_Append__Ljava_lang_String_2Lcom_tarnwick_wyn_SystemTrayMenu_2(
    JNIEnv* env, jobject self, jstring text, jobject submenu);
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTrayMenu_AppendSeparator(JNIEnv* env,
                                                                            jobject self);
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTrayMenu_Popup(JNIEnv* env, jobject self);
JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTrayMenu_finalize(JNIEnv* env, jobject self);
}

// The natives as tables for RegisterNatives on com/tarnwick/wyn/SystemTray and
// com/tarnwick/wyn/SystemTrayMenu.
const NativeClassBinding& systemTrayNatives();
const NativeClassBinding& systemTrayMenuNatives();
