// The tray icon table and the SystemTray operations over it.
#include "tray/tray_icons.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "base/jni_calls.h"
#include "base/trace.h"
#include "tray/handle_field.h"
#include "tray/java_text.h"
#include "tray/tray_shell.h"
#include "tray/tray_text.h"

namespace {

struct TrayEntry {
    TrayIconRecord* record;
    jobject object;  // global reference while the icon is shown, else null
};

// How long the removal at the end waits for the table's lock.
constexpr std::chrono::milliseconds kRemovalLockWait{500};

struct TrayState {
    // Held by natives around shell calls and some JNI calls, so a thread that the runtime
    // stops at its exit inside a native may keep it for good: the removal waits a bounded time.
    std::mutex lock;
    std::vector<TrayEntry> table;  // in order of creation
    jobject callback = nullptr;    // global reference
    JavaVM* vm = nullptr;
    uint32_t nextId = 1;
    bool removedAll = false;
    // The ids of the shown icons, under a lock of their own that is never held across a JNI or
    // shell call: what the removal takes out when the table's lock cannot be had.
    std::mutex shownIdsLock;
    std::set<uint32_t> shownIds;
    std::atomic<bool> removalStarted{false};
};

using TableGuard = std::lock_guard<std::mutex>;

// Takes the table's lock within the wait, or gives up. Polled: a timed wait of the 32-bit
// MinGW build's std::timed_mutex does not end before the lock is released.
bool lockWithin(std::mutex& lock, std::chrono::milliseconds wait) {
    auto deadline = std::chrono::steady_clock::now() + wait;
    while (!lock.try_lock()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void markShown(TrayState& tray, uint32_t id, bool shown) {
    std::lock_guard<std::mutex> guard(tray.shownIdsLock);
    if (shown) {
        tray.shownIds.insert(id);
    } else {
        tray.shownIds.erase(id);
    }
}

// Tells the shell about a record (call with the table's lock held); a pending balloon is
// shown with it once.
void notifyShell(trayshell::NotifyAction action, TrayIconRecord& record) {
    trayshell::notify(action, record);
    record.balloonPending = false;
}

// Never destroyed: the signal handler and threads still running at process exit may use it.
TrayState& state() {
    static TrayState* instance = new TrayState();
    return *instance;
}

// The entry of the record in h, or null when h holds no record of the table. Call with the
// lock held.
TrayEntry* entryOf(TrayState& tray, void* handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    for (TrayEntry& entry : tray.table) {
        if (entry.record == handle) {
            return &entry;
        }
    }
    return nullptr;
}

void rememberVm(TrayState& tray, JNIEnv* env) {
    if (tray.vm == nullptr && !tray.removedAll) {
        JavaVM* vm = nullptr;
        if (env->GetJavaVM(&vm) == 0) {
            tray.vm = vm;
        }
    }
}

void setTip(TrayIconRecord& record, jstring tip, JNIEnv* env) {
    TextString text;
    ansiFromJavaString(env, tip, text);
    copyTrayText(record.tip, sizeof(record.tip), text);
}

}  // namespace

void trayIconInit(JNIEnv* env, jobject self, jint icon, jstring tip, jstring info,
                  jstring infoTitle, jint infoType) {
    TrayState& tray = state();
    {
        TableGuard guard(tray.lock);
        rememberVm(tray, env);
    }
    if (!hasHandleField(env, self)) {
        return;
    }
    TextString tipText;
    TextString infoText;
    TextString titleText;
    ansiFromJavaString(env, tip, tipText);
    bool hasInfo = ansiFromJavaString(env, info, infoText);
    bool hasTitle = ansiFromJavaString(env, infoTitle, titleText);

    auto* record = new TrayIconRecord();
    record->balloonLayout = trayshell::shellMajorVersion() >= 5 && hasInfo && hasTitle;
    record->icon = trayshell::loadIcon(static_cast<int>(icon));
    copyTrayText(record->tip, sizeof(record->tip), tipText);
    copyTrayText(record->info, sizeof(record->info), infoText);
    copyTrayText(record->infoTitle, sizeof(record->infoTitle), titleText);
    record->infoFlags = static_cast<uint32_t>(infoType);
    record->balloonPending = record->balloonLayout;
    {
        TableGuard guard(tray.lock);
        record->id = tray.nextId++;
        tray.table.push_back(TrayEntry{record, nullptr});
    }
    // The tray's lines name icons by this number; the application knows them by their image.
    trace("tray: icon %u is the application's icon id %d%s", record->id, static_cast<int>(icon),
          record->icon != nullptr ? "" : ", which has no image");
    if (setHandleField(env, self, record)) {
        return;
    }
    // The field cannot carry the record (an int field in a 64-bit process): no icon is made.
    {
        TableGuard guard(tray.lock);
        TrayEntry* entry = entryOf(tray, record);
        if (entry != nullptr) {
            tray.table.erase(tray.table.begin() + (entry - tray.table.data()));
        }
    }
    trayshell::destroyIcon(record->icon);
    delete record;
}

void trayIconChange(JNIEnv* env, jobject self, jint icon, jstring tip, jstring info,
                    jstring infoTitle, jint infoType) {
    void* handle = getHandleField(env, self);
    if (handle == nullptr) {
        return;
    }
    TextString infoText;
    TextString titleText;
    bool hasInfo = ansiFromJavaString(env, info, infoText);
    bool hasTitle = ansiFromJavaString(env, infoTitle, titleText);
    void* newIcon = icon > 0 ? trayshell::loadIcon(static_cast<int>(icon)) : nullptr;

    TrayState& tray = state();
    std::unique_lock<std::mutex> guard(tray.lock);
    TrayEntry* entry = entryOf(tray, handle);
    if (entry == nullptr || !entry->record->shown) {
        guard.unlock();
        trayshell::destroyIcon(newIcon);
        return;
    }
    TrayIconRecord& record = *entry->record;
    if (icon > 0) {
        trayshell::destroyIcon(record.icon);
        record.icon = newIcon;
    }
    setTip(record, tip, env);
    // A balloon only when this call gives its text (an empty one takes a shown balloon away);
    // the info type -1 of the two-argument Change keeps the type as it was.
    if (hasInfo) {
        copyTrayText(record.info, sizeof(record.info), infoText);
        record.balloonPending = true;
    }
    if (hasTitle) {
        copyTrayText(record.infoTitle, sizeof(record.infoTitle), titleText);
    }
    if (infoType != -1) {
        record.infoFlags = static_cast<uint32_t>(infoType);
    }
    notifyShell(trayshell::NotifyAction::Modify, record);
}

void trayIconShow(JNIEnv* env, jobject self) {
    void* handle = getHandleField(env, self);
    TrayState& tray = state();
    TableGuard guard(tray.lock);
    TrayEntry* entry = entryOf(tray, handle);
    if (entry == nullptr || entry->record->shown) {
        return;
    }
    notifyShell(trayshell::NotifyAction::Add, *entry->record);
    entry->record->shown = true;
    markShown(tray, entry->record->id, true);
    if (entry->object == nullptr) {
        entry->object = env->NewGlobalRef(self);
        checkException(env, false);
    }
}

void trayIconHide(JNIEnv* env, jobject self) {
    void* handle = getHandleField(env, self);
    TrayState& tray = state();
    TableGuard guard(tray.lock);
    TrayEntry* entry = entryOf(tray, handle);
    if (entry == nullptr || !entry->record->shown) {
        return;
    }
    trayshell::notify(trayshell::NotifyAction::Delete, *entry->record);
    entry->record->shown = false;
    markShown(tray, entry->record->id, false);
    if (entry->object != nullptr) {
        env->DeleteGlobalRef(entry->object);
        entry->object = nullptr;
    }
}

void trayIconFinalize(JNIEnv* env, jobject self) {
    void* handle = getHandleField(env, self);
    TrayState& tray = state();
    TrayIconRecord* record = nullptr;
    {
        TableGuard guard(tray.lock);
        TrayEntry* entry = entryOf(tray, handle);
        if (entry == nullptr) {
            return;
        }
        record = entry->record;
        if (record->shown) {
            trayshell::notify(trayshell::NotifyAction::Delete, *record);
            record->shown = false;
            markShown(tray, record->id, false);
        }
        // Only an explicit call of finalize can find a shown icon's reference here.
        if (entry->object != nullptr) {
            env->DeleteGlobalRef(entry->object);
        }
        tray.table.erase(tray.table.begin() + (entry - tray.table.data()));
    }
    trayshell::destroyIcon(record->icon);
    delete record;
    setHandleField(env, self, nullptr);
}

void traySetCallback(JNIEnv* env, jobject callback) {
    jobject added = nullptr;
    if (callback != nullptr) {
        added = env->NewGlobalRef(callback);
        checkException(env, false);
    }
    TrayState& tray = state();
    jobject old = nullptr;
    {
        TableGuard guard(tray.lock);
        rememberVm(tray, env);
        old = tray.callback;
        tray.callback = added;
    }
    if (old != nullptr) {
        env->DeleteGlobalRef(old);
    }
}

jobject trayCallbackLocal(JNIEnv* env) {
    TrayState& tray = state();
    TableGuard guard(tray.lock);
    return tray.callback != nullptr ? env->NewLocalRef(tray.callback) : nullptr;
}

JavaVM* trayCallbackVm() {
    TrayState& tray = state();
    TableGuard guard(tray.lock);
    return tray.callback != nullptr ? tray.vm : nullptr;
}

// The icon's Java object as a new local reference, or null when no shown icon has this id.
jobject trayIconObjectLocal(JNIEnv* env, uint32_t iconId) {
    TrayState& tray = state();
    TableGuard guard(tray.lock);
    for (const TrayEntry& entry : tray.table) {
        if (entry.record->id == iconId) {
            return entry.object != nullptr ? env->NewLocalRef(entry.object) : nullptr;
        }
    }
    return nullptr;
}

void addShownTrayIconsAgain() {
    TrayState& tray = state();
    TableGuard guard(tray.lock);
    int added = 0;
    for (TrayEntry& entry : tray.table) {
        if (entry.record->shown) {
            entry.record->balloonPending = false;
            notifyShell(trayshell::NotifyAction::Add, *entry.record);
            ++added;
        }
    }
    trace("tray: the shell's taskbar was created again, %d icons added again", added);
}

void removeAllTrayIcons() {
    TrayState& tray = state();
    if (tray.removalStarted.exchange(true)) {
        return;
    }
    if (!lockWithin(tray.lock, kRemovalLockWait)) {
        // The records stay as they are (the process is ending): only the shell is told.
        std::set<uint32_t> shown;
        {
            std::lock_guard<std::mutex> idsGuard(tray.shownIdsLock);
            shown = tray.shownIds;
        }
        for (uint32_t id : shown) {
            TrayIconRecord gone;
            gone.id = id;
            trayshell::notify(trayshell::NotifyAction::Delete, gone);
        }
        trace("tray icons removed by id: %d shown (the tray's lock is held)",
              static_cast<int>(shown.size()));
        return;
    }
    std::lock_guard<std::mutex> guard(tray.lock, std::adopt_lock);
    tray.removedAll = true;
    // Events still queued for the tray (a click or a menu choice on its way) find no virtual
    // machine from here on: the runtime is destroyed next, and a thread attaching to it then
    // would crash the process.
    tray.vm = nullptr;
    int shown = 0;
    for (auto it = tray.table.rbegin(); it != tray.table.rend(); ++it) {
        TrayIconRecord* record = it->record;
        if (record->shown) {
            trayshell::notify(trayshell::NotifyAction::Delete, *record);
            markShown(tray, record->id, false);
            ++shown;
        }
        trayshell::destroyIcon(record->icon);
        delete record;
    }
    trace("tray icons removed: %d (%d shown)", static_cast<int>(tray.table.size()), shown);
    tray.table.clear();
    tray.table.shrink_to_fit();
}

std::vector<TrayIconState> trayIconStates() {
    TrayState& tray = state();
    TableGuard guard(tray.lock);
    std::vector<TrayIconState> states;
    for (const TrayEntry& entry : tray.table) {
        const TrayIconRecord& r = *entry.record;
        states.push_back(TrayIconState{entry.record, r.id, r.shown, r.balloonLayout,
                                       r.icon != nullptr, entry.object != nullptr,
                                       TextString(r.tip), TextString(r.info),
                                       TextString(r.infoTitle), r.infoFlags});
    }
    return states;
}
