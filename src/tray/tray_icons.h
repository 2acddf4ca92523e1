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
#include <vector>

#include "base/text.h"

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

// Takes every icon out of the notification area and frees every record. Runs once per
// process (at the end of the launch, from the runtime's exit hook after System.exit, or from
// the termination signal handler); later calls do nothing. Java objects that still carry a
// freed record are ignored by the natives from then on. It calls no JNI function and waits for
// the tray's lock at most half a second: in the exit hook the runtime is gone, and a thread
// that it stopped inside a native may hold that lock for good. Then the shown icons are taken
// out by their ids without touching the records.
void removeAllTrayIcons();

// What the table holds, in order of creation; for tests and the trace.
struct TrayIconState {
    const void* record;  // what the Java object's h holds
    uint32_t id;
    bool shown;
    bool balloonLayout;
    bool hasIcon;
    bool holdsObject;
    TextString tip;
    TextString info;
    TextString infoTitle;
    uint32_t infoFlags;
};
std::vector<TrayIconState> trayIconStates();

// Adds every shown icon to the notification area again, without balloons: the shell that
// showed them is gone (Explorer restarted). Called on the message window's thread.
void addShownTrayIconsAgain();
