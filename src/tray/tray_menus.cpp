// The tray menu records and the SystemTrayMenu operations over them.
#include "tray/tray_menus.h"

#include <mutex>
#include <set>

#include "base/jni_calls.h"
#include "tray/handle_field.h"
#include "tray/java_text.h"
#include "tray/tray_shell.h"

namespace {

constexpr uint32_t kMenuCommandBase = 50000;

struct MenuState {
    std::mutex lock;
    std::set<const TrayMenu*> live;
};

MenuState& state() {
    static MenuState* instance = new MenuState();
    return *instance;
}

// The live menu in the object's h, or null. Call with the lock held.
TrayMenu* liveMenu(MenuState& menus, void* handle) {
    auto* menu = static_cast<TrayMenu*>(handle);
    return menus.live.count(menu) != 0 ? menu : nullptr;
}

}  // namespace

void trayMenuInit(JNIEnv* env, jobject self) {
    if (!hasHandleField(env, self)) {
        return;
    }
    auto* menu = new TrayMenu();
    menu->native = trayshell::createMenu();
    {
        MenuState& menus = state();
        std::lock_guard<std::mutex> guard(menus.lock);
        menus.live.insert(menu);
    }
    if (setHandleField(env, self, menu)) {
        return;
    }
    // The field cannot carry the record (an int field in a 64-bit process): no menu is made.
    {
        MenuState& menus = state();
        std::lock_guard<std::mutex> guard(menus.lock);
        menus.live.erase(menu);
    }
    trayshell::destroyMenu(menu->native);
    delete menu;
}

void trayMenuAppendCommand(JNIEnv* env, jobject self, jstring text, jint id) {
    void* handle = getHandleField(env, self);
    if (handle == nullptr) {
        return;
    }
    TextString label;
    ansiFromJavaString(env, text, label);
    uint32_t itemId = static_cast<uint32_t>(id) + kMenuCommandBase;
    MenuState& menus = state();
    std::lock_guard<std::mutex> guard(menus.lock);
    TrayMenu* menu = liveMenu(menus, handle);
    if (menu == nullptr) {
        return;
    }
    trayshell::appendCommand(menu->native, label.c_str(), itemId);
    menu->items.push_back(TrayMenuItem{TrayMenuItem::Kind::Command, label, itemId, nullptr});
}

void trayMenuAppendSubmenu(JNIEnv* env, jobject self, jstring text, jobject submenu) {
    if (self == nullptr || submenu == nullptr || !hasHandleField(env, self)) {
        return;
    }
    LocalRef<jclass> cls(env, env->GetObjectClass(self));
    jfieldID popupsField =
        cls.isNull() ? nullptr : env->GetFieldID(cls.get(), "popups", "Ljava/util/HashSet;");
    if (popupsField == nullptr) {
        checkException(env, false);
        return;
    }
    void* handle = getHandleField(env, self);
    void* subHandle = getHandleField(env, submenu);
    if (handle == nullptr || subHandle == nullptr) {
        return;
    }
    LocalRef<jobject> popups(env, env->GetObjectField(self, popupsField));
    if (popups.isNull()) {
        checkException(env, false);
        return;
    }
    LocalRef<jclass> setClass(env, env->GetObjectClass(popups.get()));
    jmethodID add = setClass.isNull() ? nullptr
                                      : findMethodChecked(env, setClass.get(), "add",
                                                          "(Ljava/lang/Object;)Z", false);
    if (add == nullptr) {
        return;
    }
    env->CallBooleanMethod(popups.get(), add, submenu);
    if (checkException(env, false) != 0) {
        return;
    }
    TextString label;
    ansiFromJavaString(env, text, label);
    MenuState& menus = state();
    std::lock_guard<std::mutex> guard(menus.lock);
    TrayMenu* menu = liveMenu(menus, handle);
    TrayMenu* sub = liveMenu(menus, subHandle);
    if (menu == nullptr || sub == nullptr || menu == sub) {
        return;
    }
    trayshell::appendSubmenu(menu->native, label.c_str(), sub->native);
    menu->items.push_back(TrayMenuItem{TrayMenuItem::Kind::Submenu, label, 0, sub});
}

void trayMenuAppendSeparator(JNIEnv* env, jobject self) {
    void* handle = getHandleField(env, self);
    MenuState& menus = state();
    std::lock_guard<std::mutex> guard(menus.lock);
    TrayMenu* menu = liveMenu(menus, handle);
    if (menu == nullptr) {
        return;
    }
    trayshell::appendSeparator(menu->native);
    menu->items.push_back(TrayMenuItem{TrayMenuItem::Kind::Separator, TextString(), 0, nullptr});
}

void trayMenuPopup(JNIEnv* env, jobject self) {
    void* handle = getHandleField(env, self);
    void* native = nullptr;
    {
        MenuState& menus = state();
        std::lock_guard<std::mutex> guard(menus.lock);
        TrayMenu* menu = liveMenu(menus, handle);
        if (menu == nullptr) {
            return;
        }
        native = menu->native;
    }
    // The object is reachable while this runs, so its menu cannot be finalized meanwhile.
    trayshell::popupMenu(native);
}

void trayMenuFinalize(JNIEnv* env, jobject self) {
    void* handle = getHandleField(env, self);
    TrayMenu* menu = nullptr;
    {
        MenuState& menus = state();
        std::lock_guard<std::mutex> guard(menus.lock);
        menu = liveMenu(menus, handle);
        if (menu == nullptr) {
            return;
        }
        menus.live.erase(menu);
    }
    trayshell::destroyMenu(menu->native);
    delete menu;
    setHandleField(env, self, nullptr);
}

bool trayMenuItems(const void* handle, std::vector<TrayMenuItem>& items) {
    MenuState& menus = state();
    std::lock_guard<std::mutex> guard(menus.lock);
    TrayMenu* menu = liveMenu(menus, const_cast<void*>(handle));
    if (menu == nullptr) {
        return false;
    }
    items = menu->items;
    return true;
}
