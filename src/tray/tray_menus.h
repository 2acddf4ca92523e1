// Tray popup menus behind the SystemTrayMenu natives, kept as data: each menu records its
// items (command, submenu, separator) beside the shell's menu handle, and the Java object's
// field h points to that record. A lock guards the records and the set of live menus; a
// handle that is not a live menu (finalized already) is ignored. Same on every platform; the
// shell's menus go through tray_shell.h (on Linux there are only the records).
#pragma once

#include <jni.h>

#include <cstdint>
#include <vector>

#include "base/text.h"

struct TrayMenu;

struct TrayMenuItem {
    enum class Kind { Command, Submenu, Separator };
    Kind kind;
    TextString text;
    uint32_t itemId;          // commands: the Java id plus 50000
    const TrayMenu* submenu;  // submenus
};

struct TrayMenu {
    void* native = nullptr;  // the shell's menu (an HMENU on Windows; null on Linux)
    std::vector<TrayMenuItem> items;
};

void trayMenuInit(JNIEnv* env, jobject self);
void trayMenuAppendCommand(JNIEnv* env, jobject self, jstring text, jint id);
void trayMenuAppendSubmenu(JNIEnv* env, jobject self, jstring text, jobject submenu);
void trayMenuAppendSeparator(JNIEnv* env, jobject self);
void trayMenuPopup(JNIEnv* env, jobject self);
void trayMenuFinalize(JNIEnv* env, jobject self);

// A copy of the items of the live menu in h, or false when h holds no live menu; for tests.
bool trayMenuItems(const void* handle, std::vector<TrayMenuItem>& items);
