// Tray icons behind the SystemTray natives: the process-wide table of records with the Java
// objects of shown icons, the callback object and the virtual machine for callbacks.
//
// One lock guards the table, the records' shown flags, the callback reference and the
// virtual machine pointer; the Java threads (natives) and the message window thread (events)
// take it. Java code is never called while it is held: an event takes local references to
// the callback and to the icon's object under the lock and calls Java after releasing it, so
// a Hide or finalize racing a click cannot free what the call uses. A record is only used
// after it was found in the table, so a Java object whose record is gone (finalized, or
// removed at shutdown) is ignored. Same on every platform; the shell calls go through
// tray_shell.h.
#pragma once

#include <jni.h>

#include <cstdint>

void trayIconInit(JNIEnv* env, jobject self, jint icon, jstring tip, jstring info,
                  jstring infoTitle, jint infoType);
void trayIconChange(JNIEnv* env, jobject self, jint icon, jstring tip, jstring info,
                    jstring infoTitle, jint infoType);
void trayIconShow(JNIEnv* env, jobject self);
void trayIconHide(JNIEnv* env, jobject self);
void trayIconFinalize(JNIEnv* env, jobject self);
void traySetCallback(JNIEnv* env, jobject callback);

// The callback object as a new local reference (null when none is registered), for the
// event handlers.
jobject trayCallbackLocal(JNIEnv* env);
// The Java object of the shown icon with this id as a new local reference, or null.
jobject trayIconObjectLocal(JNIEnv* env, uint32_t iconId);
// The virtual machine for callbacks while a callback is registered, else null.
JavaVM* trayCallbackVm();

// Adds every shown icon to the notification area again, without balloons: the shell that
// showed them is gone (Explorer restarted). Called on the message window's thread.
void addShownTrayIconsAgain();
