// The SystemTray and SystemTrayMenu natives: thin JNI entry points over the tray's icons and
// menus.
#include "tray/tray_natives.h"

#include "tray/tray_icons.h"
#include "tray/tray_menus.h"
#include "tray/tray_shell.h"

extern "C" {

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_init(JNIEnv* env, jobject self, jint icon,
                                                             jstring tip, jstring info,
                                                             jstring infoTitle, jint infoType) {
    trayIconInit(env, self, icon, tip, info, infoTitle, infoType);
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_Change(JNIEnv* env, jobject self, jint icon,
                                                               jstring tip, jstring info,
                                                               jstring infoTitle, jint infoType) {
    trayIconChange(env, self, icon, tip, info, infoTitle, infoType);
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_Show(JNIEnv* env, jobject self) {
    trayIconShow(env, self);
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_Hide(JNIEnv* env, jobject self) {
    trayIconHide(env, self);
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_finalize(JNIEnv* env, jobject self) {
    trayIconFinalize(env, self);
}

JNIEXPORT jboolean JNICALL Java_com_tarnwick_wyn_SystemTray_isSupported(JNIEnv*, jclass) {
    return trayshell::notificationAreaAvailable() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTray_setSystemTrayCallback(JNIEnv* env, jclass,
                                                                              jobject callback) {
    traySetCallback(env, callback);
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTrayMenu_init(JNIEnv* env, jobject self) {
    trayMenuInit(env, self);
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTrayMenu_Append__Ljava_lang_String_2I(
    JNIEnv* env, jobject self, jstring text, jint id) {
    trayMenuAppendCommand(env, self, text, id);
}

JNIEXPORT void JNICALL
Java_com_tarnwick_wyn_SystemTrayMenu_Append__Ljava_lang_String_2Lcom_tarnwick_wyn_SystemTrayMenu_2(
    JNIEnv* env, jobject self, jstring text, jobject submenu) {
    trayMenuAppendSubmenu(env, self, text, submenu);
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTrayMenu_AppendSeparator(JNIEnv* env,
                                                                            jobject self) {
    trayMenuAppendSeparator(env, self);
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTrayMenu_Popup(JNIEnv* env, jobject self) {
    trayMenuPopup(env, self);
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_SystemTrayMenu_finalize(JNIEnv* env, jobject self) {
    trayMenuFinalize(env, self);
}
}

namespace {

JNINativeMethod native(const char* name, const char* signature, void* function) {
    return JNINativeMethod{const_cast<char*>(name), const_cast<char*>(signature), function};
}

constexpr char kTextIconSignature[] = "(ILjava/lang/String;Ljava/lang/String;Ljava/lang/String;I)V";

}  // namespace

const NativeClassBinding& systemTrayNatives() {
    static const JNINativeMethod methods[] = {
        native("init", kTextIconSignature,
               reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SystemTray_init)),
        native("Change", kTextIconSignature,
               reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SystemTray_Change)),
        native("Show", "()V", reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SystemTray_Show)),
        native("Hide", "()V", reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SystemTray_Hide)),
        native("finalize", "()V",
               reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SystemTray_finalize)),
        native("isSupported", "()Z",
               reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SystemTray_isSupported)),
        native("setSystemTrayCallback", "(Lcom/tarnwick/wyn/SystemTrayCallback;)V",
               reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SystemTray_setSystemTrayCallback)),
    };
    static const NativeClassBinding binding = {
        "com/tarnwick/wyn/SystemTray", methods,
        static_cast<int>(sizeof(methods) / sizeof(methods[0]))};
    return binding;
}

const NativeClassBinding& systemTrayMenuNatives() {
    static const JNINativeMethod methods[] = {
        native("init", "()V", reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SystemTrayMenu_init)),
        native("Append", "(Ljava/lang/String;I)V",
               reinterpret_cast<void*>(
                   &Java_com_tarnwick_wyn_SystemTrayMenu_Append__Ljava_lang_String_2I)),
        native(
            "Append", "(Ljava/lang/String;Lcom/tarnwick/wyn/SystemTrayMenu;)V",
            reinterpret_cast<void*>(
                &Java_com_tarnwick_wyn_SystemTrayMenu_Append__Ljava_lang_String_2Lcom_tarnwick_wyn_SystemTrayMenu_2)),
        native("AppendSeparator", "()V",
               reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SystemTrayMenu_AppendSeparator)),
        native("Popup", "()V",
               reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SystemTrayMenu_Popup)),
        native("finalize", "()V",
               reinterpret_cast<void*>(&Java_com_tarnwick_wyn_SystemTrayMenu_finalize)),
    };
    static const NativeClassBinding binding = {
        "com/tarnwick/wyn/SystemTrayMenu", methods,
        static_cast<int>(sizeof(methods) / sizeof(methods[0]))};
    return binding;
}
