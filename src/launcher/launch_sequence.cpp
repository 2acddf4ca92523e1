// The launch sequence: environment, options, runtime, properties, version bounds, splash
// hooks and main, each a named step, with one failure report.
#include "launcher/launch_sequence.h"

#include <cstring>

#include "base/command_line.h"
#include "base/jni_calls.h"
#include "base/trace.h"
#include "base/version.h"
#include "config/config_store.h"
#include "config/messages.h"
#include "launcher/active_objects.h"
#include "launcher/jvm_session.h"
#include "launcher/launch_result.h"
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

constexpr const char* kLowestJavaVersion = "1.0";
// java.awt.AWTEvent.WINDOW_EVENT_MASK: the events the splash's closing listener asks for.
constexpr jlong kWindowEventMask = 64;

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
        setSplashAutoClose(closeOnWindow ? kSplashCloseOnWindowLatestMs : otherwiseMs);
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
TextString failureDetail(LaunchResult result, const ConfigStore& config) {
    if (result == LaunchResult::RuntimeNotFound) {
        return runtimeSearchReport();
    }
    if (result == LaunchResult::MainClassNotFound || result == LaunchResult::MainMethodMissing) {
        return config.mainClass();
    }
    return TextString();
}

// A missing or unsuitable runtime: the user may need to install another one.
bool needsAnotherRuntime(LaunchResult result) {
    return result == LaunchResult::RuntimeNotFound || result == LaunchResult::RuntimeNotValid ||
           result == LaunchResult::VersionTooLow || result == LaunchResult::VersionTooHigh;
}

// The message of a version outside the bounds, its placeholders filled.
TextString versionBoundsMessage(LaunchResult result, TextView version, const ConfigStore& config) {
    int id = messageIdOf(result);
    TextString minjre = config.minJre();
    if (minjre.empty() && !messageOverridden(id)) {
        // Only an upper bound is set: the default text names a range, whose lower end is
        // then the first Java version of all.
        minjre = TextString(kLowestJavaVersion);
    }
    return formatMessage(getMessage(id), version, minjre, config.maxJre());
}

// Shows text, offering the download page when the failure asks for another runtime.
void showFailureMessage(LaunchResult result, const TextString& text, const ConfigStore& config) {
    TextString downloadUrl = config.jreDownloadUrl();
    if (needsAnotherRuntime(result) && isWebAddress(downloadUrl)) {
        trace("download page offered: %s", downloadUrl.c_str());
        showMessageOfferingPage(text, splashWindowHandle(), downloadUrl);
        return;
    }
    if (!downloadUrl.empty() && needsAnotherRuntime(result)) {
        trace("jredownloadurl %s is not an http or https address: not offered",
              downloadUrl.c_str());
    }
    showMessage(text, splashWindowHandle());
}

// The one failure report: the message of result, shown once, then the splash closes soon.
LaunchResult reportFailure(LaunchResult result, TextView version, const ConfigStore& config) {
    bool outsideBounds =
        result == LaunchResult::VersionTooLow || result == LaunchResult::VersionTooHigh;
    TextString text = outsideBounds ? versionBoundsMessage(result, version, config)
                                    : getMessage(messageIdOf(result));
    trace("launch failed: message %d", messageIdOf(result));
    if (result == LaunchResult::VmStartFailed) {
        // The runtime's reason is already on standard error: the box shows it below the
        // message, standard error does not get it twice.
        showMessageAfterOutput(text, vmCreationReason(), splashWindowHandle());
    } else {
        TextString detail = failureDetail(result, config);
        if (!detail.empty()) {
            text.append("\n\n");
            text.append(detail);
        }
        showFailureMessage(result, text, config);
    }
    setSplashAutoClose(kSplashCloseOnFailureMs);
    return result;
}

// The failure of the runtime carried inside the program (damaged, its cache not writable, or
// the cache's path without an ANSI form), shown with its ready UTF-8 text; Success when the
// search met none.
LaunchResult reportCarriedRuntimeFailure() {
    TextString text;
    LaunchResult result = LaunchResult::Success;
    switch (carriedRuntimeFailure(text)) {
        case kMessageProgramDamaged:
            result = LaunchResult::ProgramDamaged;
            break;
        case kMessageRuntimeCacheFailed:
            result = LaunchResult::RuntimeCacheFailed;
            break;
        case kMessagePathWithoutAnsiForm:
            result = LaunchResult::PathWithoutAnsiForm;
            break;
        default:
            return LaunchResult::Success;
    }
    trace("launch failed: message %d", messageIdOf(result));
    showMessageUtf8(text, splashWindowHandle());
    setSplashAutoClose(kSplashCloseOnFailureMs);
    return result;
}

// Step: the runtime library to load, as the runtime search chooses it (jre_order, the
// version bounds). When the runtime carried inside the program was the one that failed, its
// failure is shown; when runtimes were found but none within the bounds, the failure names
// the closest version.
LaunchResult findRuntimeLibrary(const ConfigStore& config, TextString& runtime) {
    runtime = locateJvmLibrary();
    if (runtime.empty()) {
        LaunchResult carried = reportCarriedRuntimeFailure();
        if (carried != LaunchResult::Success) {
            return carried;
        }
        TextString skipped = skippedRuntimeVersion();
        if (skipped.empty()) {
            return reportFailure(LaunchResult::RuntimeNotFound, TextView(), config);
        }
        LaunchResult outside = versionBelow(skipped, config.minJre())
                                   ? LaunchResult::VersionTooLow
                                   : LaunchResult::VersionTooHigh;
        return reportFailure(outside, skipped, config);
    }
    trace("runtime library: %s", runtime.c_str());
    return LaunchResult::Success;
}

// Step: the options that depend on the chosen runtime: native access, then the class data
// sharing files, which depend on native access.
void addRuntimeOptions(const ConfigStore& config, JvmSession& session, const TextString& runtime) {
    StringList nativeAccess = nativeAccessOptions(runtime, session.options());
    for (int32_t i = 0; i < nativeAccess.count(); ++i) {
        addOption(session, nativeAccess.stringAt(i));
    }
    SharingPlan sharing = classDataSharingOptions(config.cds(), runtime, session.options());
    for (int32_t i = 0; i < sharing.options.count(); ++i) {
        addOption(session, sharing.options.stringAt(i));
    }
    if (sharing.quietRuntime) {
        dropRuntimeOutput();
    }
}

// Step: loads the runtime (unless the splash step did) and creates the virtual machine,
// keeping what the runtime prints meanwhile as the reason of a failure.
LaunchResult startVm(const ConfigStore& config, JvmSession& session, const TextString& runtime) {
    beginVmCreation();
    LaunchResult result = session.createVm(runtime.c_str());
    endVmCreation();
    if (result != LaunchResult::Success) {
        return reportFailure(result, TextView(), config);
    }
    trace("virtual machine created");
    return LaunchResult::Success;
}

// Step: every `property` value as a system property.
void setSystemProperties(const ConfigStore& config, JNIEnv* env) {
    StringList properties;
    config.collectProperties(properties);
    for (int32_t i = 0; i < properties.count(); ++i) {
        setSystemProperty(env, properties.stringAt(i));
    }
}

// Step: the running runtime's java.version against minjre and maxjre, when either is set.
LaunchResult checkVersionBounds(const ConfigStore& config, JvmSession& session) {
    TextString minjre = config.minJre();
    TextString maxjre = config.maxJre();
    if (minjre.empty() && maxjre.empty()) {
        return LaunchResult::Success;
    }
    TextString version;
    if (!session.queryJavaVersion(version)) {
        return reportFailure(LaunchResult::VersionUnknown, version, config);
    }
    trace("runtime version %s, accepted range [%s, %s]", version.c_str(), minjre.c_str(),
          maxjre.c_str());
    if (versionBelow(version, minjre)) {
        return reportFailure(LaunchResult::VersionTooLow, version, config);
    }
    if (versionAbove(version, maxjre)) {
        return reportFailure(LaunchResult::VersionTooHigh, version, config);
    }
    return LaunchResult::Success;
}

// Step: hands the splash to the application: the listener that closes it at the first window
// (`splashclosewindow`), else a timer. Returns whether the first window closes it.
bool handOverSplash(const ConfigStore& config, JNIEnv* env) {
    bool closeOnWindow = config.splashCloseOnWindow().compareNoCase("true") == 0;
    if (closeOnWindow) {
        registerSplashCloseListener(env);
    }
    armSplashTimer(closeOnWindow, kSplashCloseAfterMainCalledMs);
    if (runtimeSplashShown()) {
        closeRuntimeSplashLater(
            env, closeOnWindow ? kSplashCloseOnWindowLatestMs : kSplashCloseAfterMainCalledMs);
    }
    return closeOnWindow;
}

// Step: calls main and tells how it ended; the splash closes soon after unless the
// application or the first window decides.
LaunchResult runMain(const ConfigStore& config, JvmSession& session, const TextString& mainClass,
                     StringList& argumentValues, int argc, char** argv, bool closeOnWindow) {
    trace("main class %s, %d configured and %d command-line argument values", mainClass.c_str(),
          argumentValues.count(), argc);
    LaunchResult result = session.callMain(mainClass.c_str(), argumentValues, argc, argv);
    if (result == LaunchResult::MainThrew) {
        // As with `java`: the stack trace is on standard error, the exit code says the
        // application did not run to success, and no message box is shown.
        armSplashTimer(closeOnWindow, kSplashCloseAfterMainEndedMs);
        trace("main ended with an uncaught exception: exit code %d", exitCodeOf(result));
        return result;
    }
    if (result != LaunchResult::Success) {
        return reportFailure(result, TextView(), config);
    }
    armSplashTimer(closeOnWindow, kSplashCloseAfterMainEndedMs);
    trace("main returned");
    return LaunchResult::Success;
}

}  // namespace

LaunchResult reportVmCreationFailure() {
    return reportFailure(LaunchResult::VmStartFailed, TextView(), *activeConfig);
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
    LocalRef<jclass> system(env, findClassChecked(env, "java/lang/System", false));
    if (system.isNull()) {
        return;
    }
    jmethodID setProperty =
        findStaticMethodChecked(env, system.get(), "setProperty",
                                "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;", false);
    if (setProperty == nullptr) {
        return;
    }
    // The text is standard UTF-8, which NewStringUTF (modified UTF-8) would garble outside the
    // Basic Multilingual Plane: hand over UTF-16 instead.
    WideString wideName = wideFromUtf8(name.c_str(), name.length());
    WideString wideValue = wideFromUtf8(value.c_str(), value.length());
    LocalRef<jstring> jname(
        env, env->NewString(reinterpret_cast<const jchar*>(wideName.data()), wideName.length()));
    LocalRef<jstring> jvalue(
        env, jname.isNull() ? nullptr
                            : env->NewString(reinterpret_cast<const jchar*>(wideValue.data()),
                                             wideValue.length()));
    if (!jvalue.isNull()) {
        LocalRef<jobject> previous(
            env, env->CallStaticObjectMethod(system.get(), setProperty, jname.get(), jvalue.get()));
    }
    checkException(env, false);
}

void registerSplashCloseListener(JNIEnv* env) {
    LocalRef<jclass> toolkitClass(env, findClassChecked(env, "java/awt/Toolkit", false));
    jmethodID getDefaultToolkit =
        toolkitClass.isNull()
            ? nullptr
            : findStaticMethodChecked(env, toolkitClass.get(), "getDefaultToolkit",
                                      "()Ljava/awt/Toolkit;", false);
    LocalRef<jobject> toolkit(
        env, getDefaultToolkit == nullptr
                 ? nullptr
                 : env->CallStaticObjectMethod(toolkitClass.get(), getDefaultToolkit));
    LocalRef<jclass> listenerClass(
        env, toolkit.isNull()
                 ? nullptr
                 : findClassChecked(env, "com/tarnwick/wyn/SplashCloseOnWindow", false));
    jmethodID addListener = listenerClass.isNull()
                                ? nullptr
                                : findMethodChecked(env, toolkitClass.get(), "addAWTEventListener",
                                                    "(Ljava/awt/event/AWTEventListener;J)V", false);
    jmethodID constructor = addListener == nullptr ? nullptr
                                                   : findMethodChecked(env, listenerClass.get(),
                                                                       "<init>", "()V", false);
    LocalRef<jobject> listener(
        env, constructor == nullptr ? nullptr : env->NewObject(listenerClass.get(), constructor));
    if (listener.isNull()) {
        // What the call to getDefaultToolkit or the constructor raised.
        checkException(env, false);
        return;
    }
    env->CallVoidMethod(toolkit.get(), addListener, listener.get(), kWindowEventMask);
    checkException(env, false);
}

LaunchResult launchApplication(int argc, char** argv, void (*onVmStarted)()) {
    ConfigStore& config = *activeConfig;
    JvmSession& session = *activeSession;

    StringList argumentValues;
    config.collectArgv(argumentValues);
    TextString mainClass = config.mainClass();
    collectVmOptions(config, session, javaCommand(mainClass, argumentValues, argc, argv));

    TextString runtime;
    LaunchResult result = findRuntimeLibrary(config, runtime);
    if (result != LaunchResult::Success) {
        return result;
    }
    addRuntimeOptions(config, session, runtime);
    result = startVm(config, session, runtime);
    if (result != LaunchResult::Success) {
        return result;
    }
    setSystemProperties(config, session.env());
    result = checkVersionBounds(config, session);
    if (result != LaunchResult::Success) {
        return result;
    }
    if (onVmStarted != nullptr) {
        onVmStarted();
    }
    bool closeOnWindow = handOverSplash(config, session.env());
    return runMain(config, session, mainClass, argumentValues, argc, argv, closeOnWindow);
}
