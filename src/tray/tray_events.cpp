// Tray events into Java: the mouse-event and menu-command handlers of the message window,
// and its start (with the icons' own handler for a restarted shell).
//
// A handler attaches its thread to the virtual machine for the call and detaches it after,
// unless the thread was attached already (a Java thread, or a test's), which it leaves as it
// was. An exception thrown by the callback is cleared.
#include <cstdint>

#include "base/jni_calls.h"
#include "base/trace.h"
#include "tray/tray_events.h"
#include "tray/tray_icons.h"
#include "tray/tray_shell.h"

namespace {

constexpr uint32_t kFirstMenuCommand = 50000;
constexpr uint32_t kLastMenuCommand = 51000;

// The calling thread's environment for the time of one callback.
class CallbackThread {
  public:
    explicit CallbackThread(JavaVM* vm) : vm_(vm) {
        if (vm_->GetEnv(reinterpret_cast<void**>(&env_), JNI_VERSION_1_2) == JNI_OK) {
            return;
        }
        env_ = nullptr;
        if (vm_->AttachCurrentThread(reinterpret_cast<void**>(&env_), nullptr) == 0) {
            attached_ = true;
        } else {
            env_ = nullptr;
        }
    }
    CallbackThread(const CallbackThread&) = delete;
    CallbackThread& operator=(const CallbackThread&) = delete;
    ~CallbackThread() {
        if (attached_) {
            vm_->DetachCurrentThread();
        }
    }
    JNIEnv* env() const { return env_; }

  private:
    JavaVM* vm_;
    JNIEnv* env_ = nullptr;
    bool attached_ = false;
};

// The callback's method, looked up on the callback object's class; null when it has none.
jmethodID callbackMethod(JNIEnv* env, jobject callback, const char* name, const char* signature) {
    LocalRef<jclass> cls(env, env->GetObjectClass(callback));
    if (cls.isNull()) {
        checkException(env, false);
        return nullptr;
    }
    return findMethodChecked(env, cls.get(), name, signature, false);
}

// Calls the registered callback's method name with the arguments that call passes, on the
// calling thread attached for the time of the call; nothing happens when there is no
// callback, no virtual machine any more, or no such method.
template <typename Call>
void callCallback(const char* name, const char* signature, Call call) {
    JavaVM* vm = trayCallbackVm();
    if (vm == nullptr) {
        return;
    }
    CallbackThread thread(vm);
    JNIEnv* env = thread.env();
    if (env == nullptr) {
        return;
    }
    LocalRef<jobject> callback(env, trayCallbackLocal(env));
    if (callback.isNull()) {
        return;
    }
    jmethodID method = callbackMethod(env, callback.get(), name, signature);
    if (method == nullptr) {
        return;
    }
    call(env, callback.get(), method);
    checkException(env, false);
}

}  // namespace

void deliverTrayMouseEvent(uint32_t iconId, uint32_t mouseMessage) {
    callCallback("OnMouseClick", "(Lcom/tarnwick/wyn/SystemTray;I)V",
                 [=](JNIEnv* env, jobject callback, jmethodID method) {
                     LocalRef<jobject> icon(env, trayIconObjectLocal(env, iconId));
                     if (!icon.isNull()) {
                         env->CallVoidMethod(callback, method, icon.get(),
                                             static_cast<jint>(mouseMessage));
                     }
                 });
}

void deliverTrayMenuCommand(uint32_t command) {
    if (command < kFirstMenuCommand || command > kLastMenuCommand) {
        return;
    }
    callCallback("OnMenuCommand", "(I)V", [=](JNIEnv* env, jobject callback, jmethodID method) {
        env->CallVoidMethod(callback, method, static_cast<jint>(command - kFirstMenuCommand));
    });
}

void createTrayMessageWindow() {
    trayshell::startMessageWindow(deliverTrayMenuCommand, deliverTrayMouseEvent,
                                  addShownTrayIconsAgain);
    trace("tray events: %s", trayshell::eventSource());
}
