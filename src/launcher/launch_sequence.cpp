// The launch sequence: environment, options, runtime, properties, version bounds, splash
// hooks and main, with one failure report.
#include "launcher/launch_sequence.h"

#include <cstring>
#include <initializer_list>

#include "base/command_line.h"
#include "base/jni_calls.h"
#include "base/trace.h"
#include "base/version.h"
#include "config/config_store.h"
#include "config/messages.h"
#include "launcher/active_objects.h"
#include "launcher/jvm_session.h"
#include "launcher/runtime_hooks.h"
#include "launcher/startup_splash.h"
#include "platform/env.h"
#include "platform/process.h"
#include "runtime/class_data_sharing.h"
#include "runtime/class_path.h"
#include "runtime/native_access.h"
#include "runtime/runtime_locator.h"
#include "runtime/version_check.h"
#include "splash/splash_window.h"

namespace {

constexpr int kRuntimeNotFound = 1;
constexpr int kVersionUnknown = 5;
constexpr int kVersionTooLow = 6;
constexpr int kVersionTooHigh = 12;
constexpr int kSplashCloseDelayOnFailure = 100;
constexpr const char* kLowestJavaVersion = "1.0";

void addOption(JvmSession& session, TextView option) {
    trace("option %.*s", option.length, option.data);
    session.addOption(option);
}

// The command as `java` sets it in sun.java.command, which monitoring tools (jps, jcmd) show
// and which applications read to restart themselves: the main class (dotted), then every
// argument main receives, each after one blank.
TextString javaCommand(const TextString& mainClass, const StringList& argumentValues, int argc,
                       char** argv) {
    TextString command(mainClass);
    for (int32_t i = 0; i < command.length(); ++i) {
        if (command[i] == '/') {
            command[i] = '.';
        }
    }
    for (int32_t i = 0; i < argumentValues.count(); ++i) {
        TextString value(argumentValues.stringAt(i));
        ItemArray<char*> words;
        splitCommandLine(value.data(), words, nullptr);
        for (int32_t w = 0; w < words.length(); ++w) {
            command.append(' ');
            command.append(words[w]);
        }
    }
    for (int i = 0; i < argc; ++i) {
        command.append(' ');
        command.append(argv[i]);
    }
    return command;
}

bool optionConfigured(const StringList& options, const char* prefix) {
    for (int32_t i = 0; i < options.count(); ++i) {
        if (std::strncmp(options.stringAt(i), prefix, std::strlen(prefix)) == 0) {
            return true;
        }
    }
    return false;
}

void collectVmOptions(const ConfigStore& config, JvmSession& session, TextView command) {
    StringList options;
    config.collectOptions(options);
    for (int32_t i = 0; i < options.count(); ++i) {
        addOption(session, options.stringAt(i));
    }
    TextString classPath = withoutEmptyEntries(classPathText());
    addOption(session, TextString::concat("-Djava.class.path=", classPath));
    addOption(session, TextString::concat("-Dwyn.class.path=", classPath));
    addOption(session, TextString::concat("-Dwyn.app.path=", config.exePath()));
    addOption(session, TextString::concat("-Dapplication.home=", config.exeDirectory()));
    if (platform::isElevated()) {
        addOption(session, "-Dwyn.is.elevated=true");
    }
    addOption(session, "-Dwyn.version=" WYN_VERSION_TEXT);
    // As `java` sets them, unless the configuration does.
    if (!optionConfigured(options, "-Dsun.java.command=")) {
        addOption(session, TextString::concat("-Dsun.java.command=", command));
    }
    if (!optionConfigured(options, "-Dsun.java.launcher=")) {
        addOption(session, "-Dsun.java.launcher=wyn");
    }
    addRuntimeHooks(session);
}

// The splash's close timer, armed when neither the application nor an earlier step set it.
void armSplashTimer(bool closeOnWindow, int otherwiseMs) {
    if (splashWindowExists() && !splashAutoCloseSet()) {
        setSplashAutoClose(closeOnWindow ? 30000 : otherwiseMs);
        clearSplashAutoCloseSet();
    }
}

// The runtime's splash stays up until something closes it: the support classes' SplashScreen
// closes it after ms milliseconds on a daemon timer of the runtime, unless the application
// sets another time or closes it first. Without the support classes it stays until the
// application's first window.
void closeRuntimeSplashLater(JNIEnv* env, int ms) {
    LocalRef<jclass> splashClass(env,
                                 findClassChecked(env, "com/tarnwick/wyn/SplashScreen", false));
    jmethodID getSplashScreen =
        splashClass.isNull() ? nullptr
                             : findStaticMethodChecked(env, splashClass.get(), "getSplashScreen",
                                                       "()Lcom/tarnwick/wyn/SplashScreen;", false);
    jmethodID autoClose =
        getSplashScreen == nullptr
            ? nullptr
            : findMethodChecked(env, splashClass.get(), "autoClose", "(I)V", false);
    if (autoClose == nullptr) {
        trace("runtime splash: no support classes to close it");
        return;
    }
    LocalRef<jobject> splash(env, env->CallStaticObjectMethod(splashClass.get(), getSplashScreen));
    checkException(env, false);
    if (splash.isNull()) {
        trace("runtime splash: already gone");
        return;
    }
    env->CallVoidMethod(splash.get(), autoClose, static_cast<jint>(ms));
    checkException(env, false);
    trace("runtime splash closes in %d ms", ms);
}

// What follows a message's own text: the places searched for a runtime, the class of a main
// class failure.
TextString failureDetail(int result, const ConfigStore& config) {
    if (result == kRuntimeNotFound) {
        return runtimeSearchReport();
    }
    if (result == kMessageMainClassNotFound || result == kMessageMainMethodMissing) {
        return config.mainClass();
    }
    return TextString();
}

// A missing or unsuitable runtime: the user may need to install another one.
bool needsAnotherRuntime(int result) {
    return result == kRuntimeNotFound || result == kMessageRuntimeNotValid ||
           result == kVersionTooLow || result == kVersionTooHigh;
}

int reportFailure(int result, TextView version, const ConfigStore& config) {
    TextString text = getMessage(result);
    if (result == kVersionTooLow || result == kVersionTooHigh) {
        TextString minjre = config.minJre();
        if (minjre.empty() && !messageOverridden(result)) {
            // Only an upper bound is set: the default text names a range, whose lower end is
            // then the first Java version of all.
            minjre = TextString(kLowestJavaVersion);
        }
        text = formatMessage(text, version, minjre, config.maxJre());
    }
    trace("launch failed: message %d", result);
    if (result == kMessageVmStartFailed) {
        // The runtime's reason is already on standard error: the box shows it below the
        // message, standard error does not get it twice.
        showMessageAfterOutput(text, vmCreationReason(), splashWindowHandle());
        setSplashAutoClose(kSplashCloseDelayOnFailure);
        return result;
    }
    TextString detail = failureDetail(result, config);
    if (!detail.empty()) {
        text.append("\n\n");
        text.append(detail);
    }
    TextString downloadUrl = config.jreDownloadUrl();
    if (needsAnotherRuntime(result) && isWebAddress(downloadUrl)) {
        trace("download page offered: %s", downloadUrl.c_str());
        showMessageOfferingPage(text, splashWindowHandle(), downloadUrl);
    } else {
        if (!downloadUrl.empty() && needsAnotherRuntime(result)) {
            trace("jredownloadurl %s is not an http or https address: not offered",
                  downloadUrl.c_str());
        }
        showMessage(text, splashWindowHandle());
    }
    setSplashAutoClose(kSplashCloseDelayOnFailure);
    return result;
}

}  // namespace

int reportVmCreationFailure() {
    return reportFailure(kMessageVmStartFailed, TextView(), *activeConfig);
}

void applyEnvironment(const ConfigStore& config) {
    StringList exports;
    config.collectExports(exports);
    // Variables through which the runtime takes options of its own: an inherited one is
    // removed unless the configuration exports it (JDK_AOT_VM_OPTIONS reaches the creation
    // of the ahead-of-time cache).
    const char* const runtimeOptionVariables[] = {"JAVA_TOOL_OPTIONS", "JDK_AOT_VM_OPTIONS"};
    bool exported[2] = {false, false};
    for (int32_t i = 0; i < exports.count(); ++i) {
        const char* assignment = exports.stringAt(i);
        const char* equals = std::strchr(assignment, '=');
        if (equals == nullptr) {
            continue;
        }
        platform::putEnv(assignment);
        trace("export %s", assignment);
        TextView name(assignment, static_cast<int32_t>(equals - assignment));
        for (int v = 0; v < 2; ++v) {
            exported[v] =
                exported[v] || platform::sameVariableName(name, runtimeOptionVariables[v]);
        }
    }
    for (int v = 0; v < 2; ++v) {
        if (!exported[v]) {
            const char* inherited = platform::getEnv(runtimeOptionVariables[v]);
            if (inherited != nullptr && inherited[0] != '\0') {
                // The usual way to attach a debugger: say where it went and how to keep it.
                trace(
                    "inherited %s=%s removed: the runtime gets only what the configuration "
                    "exports; to keep it, add the line 'export %s=${%s}'",
                    runtimeOptionVariables[v], inherited, runtimeOptionVariables[v],
                    runtimeOptionVariables[v]);
            }
            platform::putEnv(TextString::concat(runtimeOptionVariables[v], TextView("=")).c_str());
        }
    }
}

void setSystemProperty(JNIEnv* env, TextView text) {
    TextString name(text);
    TextString value;
    const char* equals = static_cast<const char*>(std::memchr(name.c_str(), '=', name.length()));
    if (equals != nullptr) {
        int32_t at = static_cast<int32_t>(equals - name.c_str());
        value = name.tail(at + 1);
        name.resize(at);
    }
    jclass system = env->FindClass("java/lang/System");
    if (system == nullptr) {
        checkException(env, false);
        return;
    }
    jmethodID setProperty = env->GetStaticMethodID(
        system, "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    if (setProperty == nullptr) {
        checkException(env, false);
        env->DeleteLocalRef(system);
        return;
    }
    // The text is standard UTF-8, which NewStringUTF (modified UTF-8) would garble outside the
    // Basic Multilingual Plane: hand over UTF-16 instead.
    WideString wideName = wideFromUtf8(name.c_str(), name.length());
    WideString wideValue = wideFromUtf8(value.c_str(), value.length());
    jstring jname =
        env->NewString(reinterpret_cast<const jchar*>(wideName.data()), wideName.length());
    jstring jvalue =
        jname == nullptr
            ? nullptr
            : env->NewString(reinterpret_cast<const jchar*>(wideValue.data()), wideValue.length());
    if (jvalue != nullptr) {
        jobject previous = env->CallStaticObjectMethod(system, setProperty, jname, jvalue);
        if (previous != nullptr) {
            env->DeleteLocalRef(previous);
        }
    }
    checkException(env, false);
    for (jobject ref : {static_cast<jobject>(jvalue), static_cast<jobject>(jname),
                        static_cast<jobject>(system)}) {
        if (ref != nullptr) {
            env->DeleteLocalRef(ref);
        }
    }
}

void registerSplashCloseListener(JNIEnv* env) {
    jclass toolkitClass = env->FindClass("java/awt/Toolkit");
    jmethodID getDefaultToolkit =
        toolkitClass == nullptr
            ? nullptr
            : env->GetStaticMethodID(toolkitClass, "getDefaultToolkit", "()Ljava/awt/Toolkit;");
    jobject toolkit = getDefaultToolkit == nullptr
                          ? nullptr
                          : env->CallStaticObjectMethod(toolkitClass, getDefaultToolkit);
    jclass listenerClass =
        toolkit == nullptr ? nullptr : env->FindClass("com/tarnwick/wyn/SplashCloseOnWindow");
    jmethodID addListener = listenerClass == nullptr
                                ? nullptr
                                : env->GetMethodID(toolkitClass, "addAWTEventListener",
                                                   "(Ljava/awt/event/AWTEventListener;J)V");
    jmethodID constructor =
        addListener == nullptr ? nullptr : env->GetMethodID(listenerClass, "<init>", "()V");
    jobject listener =
        constructor == nullptr ? nullptr : env->NewObject(listenerClass, constructor);
    if (listener == nullptr) {
        checkException(env, false);
    } else {
        env->CallVoidMethod(toolkit, addListener, listener, static_cast<jlong>(64));
        checkException(env, false);
        env->DeleteLocalRef(listener);
    }
    for (jobject ref :
         {static_cast<jobject>(listenerClass), toolkit, static_cast<jobject>(toolkitClass)}) {
        if (ref != nullptr) {
            env->DeleteLocalRef(ref);
        }
    }
}

int launchApplication(int argc, char** argv, void (*onVmStarted)()) {
    ConfigStore& config = *activeConfig;
    JvmSession& session = *activeSession;
    TextString version;

    StringList argumentValues;
    config.collectArgv(argumentValues);
    TextString mainClass = config.mainClass();
    collectVmOptions(config, session, javaCommand(mainClass, argumentValues, argc, argv));

    TextString runtime = locateJvmLibrary();
    TextString carriedFailure;
    int carried = runtime.empty() ? carriedRuntimeFailure(carriedFailure) : 0;
    if (carried != 0) {
        trace("launch failed: message %d", carried);
        showMessageUtf8(carriedFailure, splashWindowHandle());
        setSplashAutoClose(kSplashCloseDelayOnFailure);
        return carried;
    }
    if (runtime.empty()) {
        // Runtimes were found but none within the bounds: say which version was closest.
        TextString skipped = skippedRuntimeVersion();
        if (!skipped.empty()) {
            int outside = versionBelow(skipped, config.minJre()) ? kVersionTooLow : kVersionTooHigh;
            return reportFailure(outside, skipped, config);
        }
        return reportFailure(kRuntimeNotFound, version, config);
    }
    trace("runtime library: %s", runtime.c_str());
    StringList nativeAccess = nativeAccessOptions(runtime, session.options());
    for (int32_t i = 0; i < nativeAccess.count(); ++i) {
        addOption(session, nativeAccess.stringAt(i));
    }
    // After native access: the sharing files depend on it.
    SharingPlan sharing = classDataSharingOptions(config.cds(), runtime, session.options());
    for (int32_t i = 0; i < sharing.options.count(); ++i) {
        addOption(session, sharing.options.stringAt(i));
    }
    if (sharing.quietRuntime) {
        dropRuntimeOutput();
    }
    beginVmCreation();
    int result = session.createVm(runtime.c_str());
    endVmCreation();
    if (result != 0) {
        return reportFailure(result, version, config);
    }
    trace("virtual machine created");
    JNIEnv* env = session.env();

    StringList properties;
    config.collectProperties(properties);
    for (int32_t i = 0; i < properties.count(); ++i) {
        setSystemProperty(env, properties.stringAt(i));
    }

    TextString minjre = config.minJre();
    TextString maxjre = config.maxJre();
    if (!minjre.empty() || !maxjre.empty()) {
        if (session.queryJavaVersion(version) == 0) {
            return reportFailure(kVersionUnknown, version, config);
        }
        trace("runtime version %s, accepted range [%s, %s]", version.c_str(), minjre.c_str(),
              maxjre.c_str());
        if (versionBelow(version, minjre)) {
            return reportFailure(kVersionTooLow, version, config);
        }
        if (versionAbove(version, maxjre)) {
            return reportFailure(kVersionTooHigh, version, config);
        }
    }

    if (onVmStarted != nullptr) {
        onVmStarted();
    }
    bool closeOnWindow = config.splashCloseOnWindow().compareNoCase("true") == 0;
    if (closeOnWindow) {
        registerSplashCloseListener(env);
    }
    armSplashTimer(closeOnWindow, 1750);
    if (runtimeSplashShown()) {
        closeRuntimeSplashLater(env, closeOnWindow ? 30000 : 1750);
    }

    trace("main class %s, %d configured and %d command-line argument values", mainClass.c_str(),
          argumentValues.count(), argc);
    result = session.callMain(mainClass.c_str(), argumentValues, argc, argv);
    if (result == JvmSession::kMainThrew) {
        // As with `java`: the stack trace is on standard error, the exit code says the
        // application did not run to success, and no message box is shown.
        armSplashTimer(closeOnWindow, 750);
        trace("main ended with an uncaught exception: exit code %d", result);
        return result;
    }
    if (result != 0) {
        return reportFailure(result, version, config);
    }
    armSplashTimer(closeOnWindow, 750);
    trace("main returned");
    return 0;
}
