// The process entry: start-up sequence, launch thread, signal handling and teardown.
#include "launcher/startup.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "args_output/argument_list.h"
#include "args_output/output_redirector.h"
#include "base/trace.h"
#include "config/config_sources.h"
#include "config/config_store.h"
#include "config/messages.h"
#include "instances/instance_block.h"
#include "instances/instance_receiver.h"
#include "instances/instance_registry.h"
#include "launcher/active_objects.h"
#include "launcher/jvm_session.h"
#include "launcher/launch_result.h"
#include "launcher/launch_sequence.h"
#include "launcher/launch_thread_stack.h"
#include "launcher/process_end.h"
#include "launcher/single_instance.h"
#include "launcher/startup_splash.h"
#include "launcher/taskbar_identity.h"
#include "launcher/trace_file.h"
#include "platform/dynlib.h"
#include "platform/files.h"
#include "platform/signals.h"
#include "platform/ui.h"
#include "runtime/embedded_runtime.h"
#include "splash/splash_window.h"
#include "tray/tray_events.h"

namespace {

platform::SignalHandler savedInterruptHandler = SIG_DFL;
platform::SignalHandler savedTerminateHandler = SIG_DFL;

// The virtual machine that a termination signal ends, null before it is accepted and once it
// is destroyed, and the number of handlers using it right now; both under the lock. Teardown
// clears the pointer after the machine is destroyed and frees the runtime library only when no
// handler is inside it: a System.exit that comes too late in the machine's shutdown never
// returns, and its thread must not find the library gone. The lock is never destroyed, since a
// handler may still run while the process exits.
JavaVM* signalTarget = nullptr;
int handlersInside = 0;

platform::Lock& signalLock() {
    static platform::Lock* lock = new platform::Lock();
    return *lock;
}

// Destroys the machine (signals still end it while it waits for the application's threads),
// takes it away from the signal handler, then frees the runtime library unless a handler is
// still inside it.
void endSession(JvmSession& session) {
    session.destroyVm();
    bool handlerInside = false;
    {
        platform::LockHolder hold(signalLock());
        signalTarget = nullptr;
        handlerInside = handlersInside > 0;
    }
    if (handlerInside) {
        trace("a signal handler is inside the runtime: its library stays loaded");
        session.keepLibraryLoaded();
    }
    session.unload();
}

// `wildcard` off: the arguments are handed on as they came.
constexpr int kWildcardOff = 0;

// SIG_DFL, SIG_IGN and the C runtime's other reserved values are at most this; none is a
// handler to pass a signal on to.
constexpr uintptr_t kLastReservedHandlerValue = 4;

// The longest working directory that forcecwd may name, with its NUL: MAX_PATH, what the
// ANSI functions of Windows take.
constexpr int32_t kWorkingDirectoryBytes = 260;

// The expansion mode that `wildcard` selects: "true" and "auto" the unquoted wildcards, "all"
// every wildcard, else off.
int wildcardMode(const TextString& value) {
    if (value.compareNoCase("true") == 0 || value.compareNoCase("auto") == 0) {
        return kExpandUnquotedWildcards;
    }
    if (value.compareNoCase("all") == 0) {
        return kExpandAllWildcards;
    }
    return kWildcardOff;
}

[[noreturn]] void refuseStart() {
    showMessage(getMessage(messageIdOf(LaunchResult::AlreadyRunning)), splashWindowHandle());
    setSplashAutoClose(kSplashCloseOnFailureMs);
    endProcessObjects(ProcessEnd::Exiting);
    std::exit(exitCodeOf(LaunchResult::AlreadyRunning));
}

// With `singleinstance` "true", only the first process of an application id (or of the
// program file) may go on.
void guardSingleInstance(const ConfigStore& config) {
    TextString identity;
    if (config.appid().empty() && !platform::programIdentity(identity)) {
        // Not expected: the running program's own file cannot be opened. Its path is the
        // next best name.
        trace("single instance: the program file cannot be identified");
        identity = config.exePath();
    }
    TextString name = singleInstanceMutexName(config.appid(), identity);
    trace("single instance: %s", name.c_str());
    int error = 0;
    switch (platform::acquireNamedMutex(name.c_str(), error)) {
        case platform::NamedMutexResult::Acquired:
            return;
        case platform::NamedMutexResult::Failed:
            std::printf("CreateMutex error: %d\n", error);
            std::fflush(stdout);
            refuseStart();
        case platform::NamedMutexResult::Held:
            refuseStart();
    }
}

// Step: what the process settles before it reads anything: the current directory out of the
// library search (a library planted there is never loaded) and the user's locale.
void prepareProcess() {
    TextString exeDirectory = directoryOf(platform::executablePath());
    platform::keepCurrentDirectoryOutOfLibrarySearch(exeDirectory.c_str());
    std::setlocale(LC_ALL, "");
}

// Step: refuses a program file that cannot start: a path without an ANSI form to hand on, or
// no payload (an interrupted download: without its archive the program cannot start, and the
// runtime would only report a class without a name). The message is shown here.
LaunchResult checkProgramFile(const ConfigStore& config) {
    TextString pathProblem = executablePathProblem(config);
    if (!pathProblem.empty()) {
        showMessageUtf8(pathProblem, nullptr);
        return LaunchResult::PathWithoutAnsiForm;
    }
    if (!config.hasPayload()) {
        trace("no payload: the program file is damaged or incomplete");
        showMessage(getMessage(messageIdOf(LaunchResult::ProgramDamaged)), nullptr);
        return LaunchResult::ProgramDamaged;
    }
    return LaunchResult::Success;
}

// Step: the process's surroundings. The working directory and the environment are settled
// before the splash step, which may already load the runtime: from then on the runtime's copy
// of the environment is fixed, and ${PWD} in a runtime path means the same directory for the
// splash and the launch.
void prepareSurroundings(ConfigStore& config) {
    platform::initCommonControls();
    applyTaskbarIdentity(config);
    TextString cwd = config.forceCwd();
    if (!cwd.empty()) {
        forceWorkingDirectory(cwd);
        config.refreshCurrentDirectory();
    }
    applyEnvironment(config);
}

// Step: the `stderr` and `stdout` keys.
void redirectOutput(const ConfigStore& config, OutputRedirector& redirector) {
    ExpandedText errorTarget = config.stderrTarget();
    if (!errorTarget.text().empty()) {
        redirector.redirectStderr(errorTarget);
    }
    ExpandedText outputTarget = config.stdoutTarget();
    if (!outputTarget.text().empty()) {
        redirector.redirectStdout(outputTarget);
    }
}

// Step: the `singleinstance` key: "true" lets only the first process go on (a second one
// ends here), "custom" starts the messages between instances.
void applyInstanceMode(const ConfigStore& config, InstanceRegistry& registry) {
    if (config.singleInstance().compareNoCase("true") == 0) {
        guardSingleInstance(config);
    } else if (config.singleInstance().compareNoCase("custom") == 0) {
        registry.startCustomMode(instanceReceiver());
    }
}

// Step: the launch with the program's arguments (expanded as `wildcard` says), on the launch
// thread or, with -XstartOnFirstThread, on this one.
LaunchResult launch(const ConfigStore& config, int argc, char** argv) {
    int count = argc;
    char** vector = argv;
    int mode = wildcardMode(config.wildcard());
    if (mode != kWildcardOff) {
        buildArgumentList(argc, argv, mode);
        count = toArgumentVector(argumentVector());
        vector = argumentVector().data();
    }
    LaunchRequest request = {count > 0 ? count - 1 : 0, count > 0 ? vector + 1 : vector,
                             onVmStarted, LaunchResult::Success};
    if (!config.startOnFirstThreadOption().empty()) {
        trace("launch on the first thread");
        runLaunch(&request);
    } else {
        StringList options;
        config.collectOptions(options);
        runOnLaunchThread(runLaunch, launchThreadStackSize(options), &request);
    }
    return request.result;
}

// The first start of a program that carries its Java runtime unpacks it, which takes a
// moment: a line on the console says why (the native splash, where there is one, already
// shows that the program is starting).
void tellUnpacking(const char* line) {
    std::fprintf(stderr, "%s\n", line);
    std::fflush(stderr);
}

}  // namespace

unsigned runOnLaunchThread(platform::ThreadFunction fn, unsigned stackSize, void* argument) {
    unsigned result = 0;
    if (platform::runThreadAndWait(fn, argument, stackSize, platform::kStackSizeIsReservation,
                                   result)) {
        return result;
    }
    if (platform::runThreadAndWait(fn, argument, stackSize, 0, result)) {
        return result;
    }
    return fn(argument);
}

unsigned WYN_THREAD_CALL runLaunch(void* argument) {
    LaunchRequest empty = {0, nullptr, nullptr, LaunchResult::Success};
    LaunchRequest* request = argument != nullptr ? static_cast<LaunchRequest*>(argument) : &empty;
    LaunchResult result =
        launchApplication(request->argumentCount, request->argumentVector, request->onVmStarted);
    request->result = result;
    if (activeSession != nullptr) {
        endSession(*activeSession);
    }
    return static_cast<unsigned>(exitCodeOf(result));
}

void onVmStarted() {
    if (activeSession != nullptr) {
        outputRedirector().installJavaRedirection(activeSession->env());
    }
    {
        platform::LockHolder hold(signalLock());
        signalTarget = activeSession != nullptr ? activeSession->vm() : nullptr;
    }
    savedInterruptHandler = platform::installSignalHandler(SIGINT, onTerminationSignal);
    savedTerminateHandler = platform::installSignalHandler(SIGTERM, onTerminationSignal);
}

void onTerminationSignal(int signal) {
    JavaVM* vm = nullptr;
    {
        platform::LockHolder hold(signalLock());
        vm = signalTarget;
        if (vm != nullptr) {
            ++handlersInside;
        }
    }
    if (vm != nullptr) {
        JNIEnv* env = nullptr;
        if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) == 0) {
            // System.exit ends the process; it returns only when the runtime refused it.
            JvmSession::callSystemExit(env, 0);
            vm->DetachCurrentThread();
        }
        platform::LockHolder hold(signalLock());
        --handlersInside;
    }
    endProcessObjects(ProcessEnd::Interrupted);
    platform::SignalHandler saved;
    if (signal == SIGINT) {
        saved = savedInterruptHandler;
    } else if (signal == SIGTERM) {
        saved = savedTerminateHandler;
    } else {
        return;
    }
    // SIG_ERR, SIG_DFL, SIG_IGN and the runtime's other reserved values are not handlers.
    uintptr_t value = reinterpret_cast<uintptr_t>(saved);
    if (saved == SIG_ERR || value <= kLastReservedHandlerValue) {
        return;
    }
    saved(signal);
}

int32_t resolveAgainstDirectory(TextView base, TextView path, char* buffer, int32_t size) {
    TextString text;
    TextString basePath(base);
    TextString relative(path);
    if (relative.byteAt(0, 0) == '/' || relative.byteAt(1, 0) == ':') {
        text = relative;
    } else if (relative.byteAt(0, 0) == '\\') {
        text = basePath.byteAt(1, 0) == ':' ? TextString::concat(basePath.left(2), relative)
                                            : relative;
    } else {
        text = basePath;
        char last = basePath.byteAt(basePath.length() - 1, 0);
        if (last != '\\' && last != '/') {
            text.append('/');
        }
        text.append(relative);
    }
    return platform::fullPath(text.c_str(), buffer, size);
}

TextString executablePathProblem(const ConfigStore& config) {
    if (!config.exePath().empty() || config.exeFile().empty()) {
        return TextString();
    }
    return pathWithoutAnsiFormMessage(config.exeFile());
}

void forceWorkingDirectory(TextView value) {
    char buffer[kWorkingDirectoryBytes];
    int32_t n =
        resolveAgainstDirectory(activeConfig->exeDirectory(), value, buffer, sizeof(buffer));
    if (n <= 0 || n >= static_cast<int32_t>(sizeof(buffer))) {
        trace("working directory %.*s cannot be resolved; staying in %s", value.length, value.data,
              platform::currentDirectory().c_str());
        return;
    }
    if (platform::setCurrentDirectory(buffer)) {
        trace("working directory: %s", buffer);
    } else {
        trace("working directory %s cannot be entered; staying in %s", buffer,
              platform::currentDirectory().c_str());
    }
}

int runStartup(int argc, char** argv) {
    // Made before the argument list, so it is torn down after it, at process exit.
    OutputRedirector& redirector = outputRedirector();
    prepareProcess();
    ConfigStore config(true);
    JvmSession session;
    platform::SharedMemory instanceBlock;
    openInstanceBlock(config.appid(), instanceBlock);
    InstanceRegistry registry(instanceBlock.view,
                              instanceBlock.view != nullptr ? instanceBlock.key.c_str() : nullptr);
    LaunchResult result = LaunchResult::Success;
    {
        ProcessObjectsGuard published(config, session, registry, instanceBlock);
        trace("executable: %s (handed on as %s)", config.exeFile().c_str(),
              config.exePath().c_str());
        setUnpackProgress(tellUnpacking);
        startTraceFile(config);
        LaunchResult refused = checkProgramFile(config);
        if (refused != LaunchResult::Success) {
            return exitCodeOf(refused);
        }
        prepareSurroundings(config);
        showStartupSplash(config);
        redirectOutput(config, redirector);
        applyInstanceMode(config, registry);
        createTrayMessageWindow();
        result = launch(config, argc, argv);
    }
    endSession(session);
    trace("exit code %d", exitCodeOf(result));
    return exitCodeOf(result);
}
