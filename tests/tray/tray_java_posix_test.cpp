// The tray's support classes and natives inside the real JDK, bound with RegisterNatives as
// the Linux launcher binds them. Nothing is shown on Linux, so the events that the message
// window would deliver on Windows are handed in through the same handlers, from threads that
// are attached to the virtual machine and from threads that are not.
#include <gtest/gtest.h>
#include <jni.h>

#include <atomic>
#include <clocale>
#include <string>
#include <thread>
#include <vector>

#include "platform/dynlib.h"
#include "platform/files.h"
#include "tray/tray_events.h"
#include "tray/tray_icons.h"
#include "tray/tray_menus.h"
#include "tray/tray_natives.h"

namespace {

constexpr int kLeftClick = 514;
constexpr int kRightClick = 517;
constexpr int kMouseMove = 512;

JavaVM* vm = nullptr;
JNIEnv* vmEnv = nullptr;

JNIEnv* startVm() {
    if (vmEnv != nullptr) {
        return vmEnv;
    }
    std::string library = std::string(WYN_TEST_JDK) + "/lib/server/libjvm.so";
    platform::LibraryHandle jvm = platform::loadLibrary(library.c_str());
    if (jvm == nullptr) {
        return nullptr;
    }
    using CreateFunction = jint (*)(JavaVM**, void**, void*);
    auto create = reinterpret_cast<CreateFunction>(platform::findSymbol(jvm, "JNI_CreateJavaVM"));
    if (create == nullptr) {
        return nullptr;
    }
    std::string classPath = std::string("-Djava.class.path=") + WYN_TEST_CLASS_PATH;
    std::string appPath = "-Dwyn.app.path=" + std::string(platform::executablePath().c_str());
    JavaVMOption options[] = {{const_cast<char*>(classPath.c_str()), nullptr},
                              {const_cast<char*>(appPath.c_str()), nullptr},
                              {const_cast<char*>("-Djava.awt.headless=true"), nullptr}};
    JavaVMInitArgs args = {};
    args.version = JNI_VERSION_1_8;
    args.nOptions = 3;
    args.options = options;
    if (create(&vm, reinterpret_cast<void**>(&vmEnv), &args) != JNI_OK) {
        return nullptr;
    }
    return vmEnv;
}

void describeAndClear(JNIEnv* env) {
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        env->ExceptionClear();
        ADD_FAILURE() << "the probe threw";
    }
}

jclass probe(JNIEnv* env) {
    jclass cls = env->FindClass("trayprobe/TrayProbe");
    describeAndClear(env);
    return cls;
}

jstring javaText(JNIEnv* env, const char* text) {
    return text == nullptr ? nullptr : env->NewStringUTF(text);
}

void callStatic(JNIEnv* env, const char* name, const char* signature, ...) {
    jclass cls = probe(env);
    jmethodID id = env->GetStaticMethodID(cls, name, signature);
    ASSERT_NE(id, nullptr) << name;
    va_list args;
    va_start(args, signature);
    env->CallStaticVoidMethodV(cls, id, args);
    va_end(args);
    describeAndClear(env);
    env->DeleteLocalRef(cls);
}

bool callStaticBoolean(JNIEnv* env, const char* name) {
    jclass cls = probe(env);
    jmethodID id = env->GetStaticMethodID(cls, name, "()Z");
    bool result = env->CallStaticBooleanMethod(cls, id) == JNI_TRUE;
    describeAndClear(env);
    env->DeleteLocalRef(cls);
    return result;
}

jlong callStaticLong(JNIEnv* env, const char* name) {
    jclass cls = probe(env);
    jmethodID id = env->GetStaticMethodID(cls, name, "()J");
    jlong result = env->CallStaticLongMethod(cls, id);
    describeAndClear(env);
    env->DeleteLocalRef(cls);
    return result;
}

std::string takeEvents(JNIEnv* env) {
    jclass cls = probe(env);
    jmethodID id = env->GetStaticMethodID(cls, "takeEvents", "()Ljava/lang/String;");
    auto text = static_cast<jstring>(env->CallStaticObjectMethod(cls, id));
    describeAndClear(env);
    const char* chars = env->GetStringUTFChars(text, nullptr);
    std::string result = chars;
    env->ReleaseStringUTFChars(text, chars);
    env->DeleteLocalRef(text);
    env->DeleteLocalRef(cls);
    return result;
}

jobject staticObject(JNIEnv* env, const char* name, const char* signature) {
    jclass cls = probe(env);
    jfieldID field = env->GetStaticFieldID(cls, name, signature);
    jobject value = env->GetStaticObjectField(cls, field);
    env->DeleteLocalRef(cls);
    return value;
}

jobject icon(JNIEnv* env, int index) {
    auto all =
        static_cast<jobjectArray>(staticObject(env, "icons", "[Lcom/tarnwick/wyn/SystemTray;"));
    jobject element = env->GetObjectArrayElement(all, index);
    env->DeleteLocalRef(all);
    return element;
}

jlong handleOf(JNIEnv* env, jobject object) {
    jclass cls = env->GetObjectClass(object);
    jfieldID h = env->GetFieldID(cls, "h", "J");
    env->DeleteLocalRef(cls);
    return env->GetLongField(object, h);
}

// Calls an instance method of an icon or menu, which reaches the registered natives.
void callOn(JNIEnv* env, jobject target, const char* name, const char* signature, ...) {
    jclass cls = env->GetObjectClass(target);
    jmethodID id = env->GetMethodID(cls, name, signature);
    ASSERT_NE(id, nullptr) << name;
    va_list args;
    va_start(args, signature);
    env->CallVoidMethodV(target, id, args);
    va_end(args);
    describeAndClear(env);
    env->DeleteLocalRef(cls);
}

const TrayIconState* stateOf(const std::vector<TrayIconState>& states, uint32_t id) {
    for (const TrayIconState& state : states) {
        if (state.id == id) {
            return &state;
        }
    }
    return nullptr;
}

// Delivers from a thread of its own, which the handler attaches and detaches.
void deliverFromNewThread(uint32_t iconId, uint32_t message) {
    std::thread([=] { deliverTrayMouseEvent(iconId, message); }).join();
}

class TrayInJdk : public ::testing::Test {
  protected:
    void SetUp() override {
        env = startVm();
        ASSERT_NE(env, nullptr) << "the JDK's virtual machine must start";
        static bool bound = false;
        if (!bound) {
            for (const NativeClassBinding* binding :
                 {&systemTrayNatives(), &systemTrayMenuNatives()}) {
                jclass cls = env->FindClass(binding->className);
                ASSERT_NE(cls, nullptr) << binding->className;
                ASSERT_EQ(env->RegisterNatives(cls, binding->methods, binding->count), JNI_OK)
                    << binding->className;
                env->DeleteLocalRef(cls);
            }
            bound = true;
        }
        callStatic(env, "setCallback", "(Ljava/lang/String;)V", nullptr);
        takeEvents(env);
    }

    // The ids of the probe's four icons, found through the records their h fields hold.
    std::vector<uint32_t> iconIds() {
        std::vector<uint32_t> ids;
        std::vector<TrayIconState> states = trayIconStates();
        for (int i = 0; i < 4; ++i) {
            jobject object = icon(env, i);
            auto record =
                reinterpret_cast<const void*>(static_cast<intptr_t>(handleOf(env, object)));
            env->DeleteLocalRef(object);
            ids.push_back(0);
            for (const TrayIconState& state : states) {
                if (state.record == record) {
                    ids.back() = state.id;
                }
            }
            EXPECT_NE(ids.back(), 0u) << "icon " << i << " has a record";
        }
        return ids;
    }

    JNIEnv* env = nullptr;
};

TEST_F(TrayInJdk, IconsGetRecordsInOrderWithTheirLayoutsAndCutTexts) {
    std::string longTip(70, 'x');
    size_t before = trayIconStates().size();
    callStatic(env, "makeIcons", "(Ljava/lang/String;)V", javaText(env, longTip.c_str()));
    std::vector<TrayIconState> states = trayIconStates();
    ASSERT_EQ(states.size(), before + 4);
    const TrayIconState* made = &states[before];
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(made[i].id, made[0].id + static_cast<uint32_t>(i)) << "ids count up by one";
    }
    EXPECT_FALSE(made[0].balloonLayout) << "a tooltip-only icon has the first layout";
    EXPECT_TRUE(made[1].balloonLayout) << "both balloon texts on a version-5 shell";
    EXPECT_STREQ(made[1].info.c_str(), "balloon text");
    EXPECT_STREQ(made[1].infoTitle.c_str(), "balloon title");
    EXPECT_EQ(made[1].infoFlags, 1u);
    EXPECT_EQ(made[2].tip.length(), 63) << "tooltips are cut to 63";
    EXPECT_STREQ(made[3].tip.c_str(), "") << "a null tooltip is empty";
    EXPECT_FALSE(made[3].balloonLayout) << "null balloon texts stay absent";
    EXPECT_EQ(made[3].infoFlags, 2u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(made[i].shown);
        EXPECT_FALSE(made[i].holdsObject);
        jobject object = icon(env, i);
        EXPECT_NE(handleOf(env, object), 0) << "h holds the record";
        env->DeleteLocalRef(object);
    }
}

TEST_F(TrayInJdk, ChangeActsOnlyOnShownIconsAndKeepsBalloonTextsNotGiven) {
    jobject balloon = icon(env, 1);
    uint32_t id = iconIds()[1];
    const char* change = "(ILjava/lang/String;Ljava/lang/String;Ljava/lang/String;I)V";
    callOn(env, balloon, "Change", change, 0, javaText(env, "hidden change"), nullptr, nullptr, 3);
    std::vector<TrayIconState> states = trayIconStates();
    EXPECT_STREQ(stateOf(states, id)->tip.c_str(), "balloon") << "hidden: nothing changes";

    callOn(env, balloon, "Show", "()V");
    callOn(env, balloon, "Show", "()V");
    states = trayIconStates();
    EXPECT_TRUE(stateOf(states, id)->shown);
    EXPECT_TRUE(stateOf(states, id)->holdsObject) << "a shown icon holds its object";

    callOn(env, balloon, "Change", change, 0, javaText(env, "shown change"), nullptr,
           javaText(env, "new title"), 3);
    states = trayIconStates();
    EXPECT_STREQ(stateOf(states, id)->tip.c_str(), "shown change");
    EXPECT_STREQ(stateOf(states, id)->info.c_str(), "balloon text") << "null keeps the text";
    EXPECT_STREQ(stateOf(states, id)->infoTitle.c_str(), "new title");
    EXPECT_EQ(stateOf(states, id)->infoFlags, 3u);

    callOn(env, balloon, "Change", "(ILjava/lang/String;)V", 0, nullptr);
    states = trayIconStates();
    EXPECT_STREQ(stateOf(states, id)->tip.c_str(), "") << "a null tip clears the tooltip";
    EXPECT_EQ(stateOf(states, id)->infoFlags, 3u)
        << "the short form passes -1, which keeps the balloon's type";

    callOn(env, balloon, "Hide", "()V");
    callOn(env, balloon, "Hide", "()V");
    states = trayIconStates();
    EXPECT_FALSE(stateOf(states, id)->shown);
    EXPECT_FALSE(stateOf(states, id)->holdsObject);
    env->DeleteLocalRef(balloon);
}

TEST_F(TrayInJdk, ClicksReachTheCallbackWithExactlyThatIcon) {
    std::vector<uint32_t> ids = iconIds();
    for (int i : {0, 2, 3}) {
        jobject object = icon(env, i);
        callOn(env, object, "Show", "()V");
        env->DeleteLocalRef(object);
    }
    deliverFromNewThread(ids[2], kLeftClick);
    EXPECT_EQ(takeEvents(env), "") << "no callback registered";

    callStatic(env, "setCallback", "(Ljava/lang/String;)V", javaText(env, "first"));
    deliverFromNewThread(ids[2], kLeftClick);
    deliverFromNewThread(ids[0], kRightClick);
    deliverTrayMouseEvent(ids[3], kMouseMove);  // from an attached thread, left attached
    deliverFromNewThread(ids[1], kLeftClick);   // hidden: no event
    deliverFromNewThread(ids[3] + 1000, kLeftClick);
    EXPECT_EQ(takeEvents(env), "first click 2 514;first click 0 517;first click 3 512");
    JNIEnv* still = nullptr;
    EXPECT_EQ(vm->GetEnv(reinterpret_cast<void**>(&still), JNI_VERSION_1_2), JNI_OK);

    callStatic(env, "setCallback", "(Ljava/lang/String;)V", javaText(env, "second"));
    deliverFromNewThread(ids[0], kLeftClick);
    EXPECT_EQ(takeEvents(env), "second click 0 514") << "a new callback takes the next event";

    jclass foreignClass = env->FindClass("trayprobe/TrayProbe$NoHandle");
    jobject foreign = env->AllocObject(foreignClass);
    traySetCallback(env, foreign);
    deliverFromNewThread(ids[0], kLeftClick);
    deliverTrayMenuCommand(50001);
    callStatic(env, "setCallback", "(Ljava/lang/String;)V", nullptr);
    deliverFromNewThread(ids[0], kLeftClick);
    EXPECT_EQ(takeEvents(env), "") << "an object without the methods, then none";
    env->DeleteLocalRef(foreign);
    env->DeleteLocalRef(foreignClass);
}

TEST_F(TrayInJdk, MenusReportIdsZeroToThousandAndKeepTheirSubmenus) {
    callStatic(env, "makeMenu", "()V");
    jobject menu = staticObject(env, "menu", "Lcom/tarnwick/wyn/SystemTrayMenu;");
    void* handle = reinterpret_cast<void*>(static_cast<intptr_t>(handleOf(env, menu)));
    std::vector<TrayMenuItem> items;
    ASSERT_TRUE(trayMenuItems(handle, items));
    ASSERT_EQ(items.size(), 8u) << "the null submenu adds nothing";
    EXPECT_STREQ(items[0].text.c_str(), "&Open");
    EXPECT_EQ(items[0].itemId, 50000u);
    EXPECT_EQ(items[1].itemId, 50007u);
    EXPECT_EQ(items[2].kind, TrayMenuItem::Kind::Separator);
    EXPECT_EQ(items[3].itemId, 51000u);
    EXPECT_STREQ(items[6].text.c_str(), "") << "a null text is empty";
    EXPECT_EQ(items[7].kind, TrayMenuItem::Kind::Submenu);
    const TrayMenu* sub = items[7].submenu;
    ASSERT_NE(sub, nullptr);
    jclass cls = probe(env);
    jmethodID count = env->GetStaticMethodID(cls, "submenuCount", "()I");
    EXPECT_EQ(env->CallStaticIntMethod(cls, count), 1) << "popups holds the submenu";

    EXPECT_FALSE(callStaticBoolean(env, "collectSubmenu")) << "the parent keeps its submenu";
    std::vector<TrayMenuItem> subItems;
    ASSERT_TRUE(trayMenuItems(sub, subItems)) << "the submenu's record is alive";
    ASSERT_EQ(subItems.size(), 1u);
    EXPECT_EQ(subItems[0].itemId, 50003u);

    callOn(env, menu, "Popup", "()V");  // nothing to show on Linux; returns

    callStatic(env, "setCallback", "(Ljava/lang/String;)V", javaText(env, "menu"));
    for (uint32_t command : {50000u, 50007u, 51000u, 51001u, 49999u, 0u, 50003u}) {
        std::thread([=] { deliverTrayMenuCommand(command); }).join();
    }
    EXPECT_EQ(takeEvents(env), "menu menu 0;menu menu 7;menu menu 1000;menu menu 3");
    env->DeleteLocalRef(cls);
    env->DeleteLocalRef(menu);
}

TEST_F(TrayInJdk, ObjectsWithoutALongHandleFieldAreServedOrIgnored) {
    jclass intClass = env->FindClass("trayprobe/TrayProbe$IntHandle");
    jclass noClass = env->FindClass("trayprobe/TrayProbe$NoHandle");
    jobject withInt = env->AllocObject(intClass);
    jobject without = env->AllocObject(noClass);
    size_t before = trayIconStates().size();
    trayIconInit(env, without, 1, nullptr, nullptr, nullptr, 0);
    trayIconShow(env, without);
    trayMenuInit(env, without);
    trayMenuAppendCommand(env, without, nullptr, 1);
    EXPECT_EQ(trayIconStates().size(), before) << "no handle field: nothing is made";

    // An int field h is used when the record's address fits it (always in a 32-bit process);
    // otherwise no icon is made, rather than one that nothing could reach again.
    trayIconInit(env, withInt, 1, javaText(env, "int handle"), nullptr, nullptr, 0);
    jfieldID h = env->GetFieldID(intClass, "h", "I");
    size_t made = trayIconStates().size() - before;
    EXPECT_EQ(made, env->GetIntField(withInt, h) != 0 ? 1u : 0u);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(made, 1u);
    }
    trayIconFinalize(env, withInt);
    EXPECT_EQ(trayIconStates().size(), before) << "nothing is left behind";
    EXPECT_FALSE(env->ExceptionCheck());
    env->DeleteLocalRef(withInt);
    env->DeleteLocalRef(without);
    env->DeleteLocalRef(intClass);
    env->DeleteLocalRef(noClass);
}

TEST_F(TrayInJdk, FinalizeFreesAHiddenIconsRecord) {
    size_t before = trayIconStates().size();
    jlong handle = callStaticLong(env, "dropIcon");
    EXPECT_NE(handle, 0);
    EXPECT_EQ(trayIconStates().size(), before + 1);
    EXPECT_TRUE(callStaticBoolean(env, "collectDroppedIcon"));
    EXPECT_EQ(trayIconStates().size(), before) << "finalize took the record out";
}

TEST_F(TrayInJdk, ClicksRacingShowHideAndFinalizeUseNoFreedRecord) {
    callStatic(env, "setCallback", "(Ljava/lang/String;)V", javaText(env, "race"));
    std::atomic<bool> done{false};
    std::thread clicker([&] {
        while (!done.load()) {
            for (const TrayIconState& state : trayIconStates()) {
                deliverTrayMouseEvent(state.id, kLeftClick);
            }
        }
    });
    callStatic(env, "churn", "(I)V", 400);
    done.store(true);
    clicker.join();
    EXPECT_NE(takeEvents(env).find("race click"), std::string::npos) << "clicks were delivered";
}

// Last: the launcher's end removes every icon once; the objects that remain are ignored.
TEST_F(TrayInJdk, ZzRemoveAllEmptiesTheTableOnceAndLaterCallsAreIgnored) {
    jobject object = icon(env, 0);
    callOn(env, object, "Show", "()V");
    removeAllTrayIcons();
    EXPECT_TRUE(trayIconStates().empty());
    callOn(env, object, "Show", "()V");
    callOn(env, object, "Change", "(ILjava/lang/String;)V", 0, javaText(env, "after"));
    callOn(env, object, "Hide", "()V");
    callOn(env, object, "finalize", "()V");
    EXPECT_TRUE(trayIconStates().empty());
    callStatic(env, "setCallback", "(Ljava/lang/String;)V", javaText(env, "menu"));
    std::thread([] { deliverTrayMenuCommand(50002); }).join();
    EXPECT_EQ(takeEvents(env), "") << "no event reaches a runtime that is about to end";
    removeAllTrayIcons();
    env->DeleteLocalRef(object);
}

}  // namespace
