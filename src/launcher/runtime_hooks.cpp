// The runtime's hooks: its messages passed on and kept during creation, and what the
// launcher does when the runtime ends the process.
#include "launcher/runtime_hooks.h"

#include <atomic>
#include <cstdlib>

#include "args_output/output_redirector.h"
#include "base/trace.h"
#include "launcher/jvm_session.h"
#include "launcher/launch_result.h"
#include "launcher/launch_sequence.h"
#include "launcher/process_end.h"
#include "platform/c_streams.h"
#include "platform/sync.h"

namespace {

constexpr int32_t kKeptBytes = 4096;
constexpr int32_t kReasonLines = 4;
constexpr int32_t kReasonBytes = 600;

std::atomic<bool> creating{false};
std::atomic<bool> dropped{false};

// The runtime prints from any of its threads; what is kept is guarded. Neither is ever
// destroyed: the runtime may still print while the process exits.
platform::Lock& keptLock() {
    static platform::Lock* lock = new platform::Lock();
    return *lock;
}

TextString& kept() {
    static TextString* text = new TextString();
    return *text;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Ends the process during creation the way a creation that returned an error ends it.
[[noreturn]] void endFailedCreation(const char* how) {
    trace("the runtime ended the process during creation (%s)", how);
    endVmCreation();
    LaunchResult result = reportVmCreationFailure();
    endProcessObjects(ProcessEnd::Exiting);
    outputRedirector().flush();
    std::exit(exitCodeOf(result));
}

}  // namespace

jint JNICALL onRuntimeMessage(std::FILE* stream, const char* format, va_list args) {
    TextString text;
    text.formatList(format, args);
    if (!dropped.load()) {
        platform::writeToCallersStream(stream, text.c_str(), static_cast<size_t>(text.length()),
                                       __builtin_return_address(0));
    }
    if (creating.load()) {
        platform::LockHolder hold(keptLock());
        TextString& keptText = kept();
        keptText.append(text);
        if (keptText.length() > kKeptBytes) {
            keptText = keptText.tail(keptText.length() - kKeptBytes);
        }
    }
    return text.length();
}

void JNICALL onRuntimeExit(jint code) {
    if (creating.load()) {
        endFailedCreation(code == 0 ? "exit 0" : "exit");
    }
    endProcessObjects(ProcessEnd::Exiting);
    outputRedirector().flush();
}

void JNICALL onRuntimeAbort() {
    if (creating.load()) {
        endFailedCreation("abort");
    }
    outputRedirector().flush();
}

void addRuntimeHooks(JvmSession& session) {
    session.addHook("vfprintf", reinterpret_cast<void*>(&onRuntimeMessage));
    session.addHook("exit", reinterpret_cast<void*>(&onRuntimeExit));
    session.addHook("abort", reinterpret_cast<void*>(&onRuntimeAbort));
}

void dropRuntimeOutput() {
    dropped.store(true);
}

void beginVmCreation() {
    platform::LockHolder hold(keptLock());
    kept() = TextString();
    creating.store(true);
}

void endVmCreation() {
    creating.store(false);
}

TextString vmCreationReason() {
    TextString text;
    {
        platform::LockHolder hold(keptLock());
        text = kept();
    }
    int32_t end = text.length();
    while (end > 0 && isBlank(text[end - 1])) {
        --end;
    }
    int32_t start = end;
    int32_t lines = 0;
    while (start > 0 && end - start < kReasonBytes) {
        if (text[start - 1] == '\n' && ++lines == kReasonLines) {
            break;
        }
        --start;
    }
    while (start < end && isBlank(text[start])) {
        ++start;
    }
    return TextString(text.c_str() + start, end - start);
}
