// The output redirector: sinks named by configuration values, the standard streams moved
// onto them, the Java-side fallback, and the teardown at process exit.
#include "args_output/output_redirector.h"

#include <cstdio>

#include "args_output/output_command.h"
#include "base/jni_calls.h"
#include "base/trace.h"

OutputSink::OutputSink(const ExpandedText& value) : value_(value) {
    if (isCommand()) {
        startCommand();
    } else {
        handle_ = platform::openAppendFile(name().c_str());
        trace("output file %s: %s", name().c_str(),
              handle_ == platform::kNoOutput ? "cannot be opened" : "opened");
    }
}

void OutputSink::startCommand() {
    TextString given = name().tail(1);
    OutputCommand command = buildOutputCommand(value_.tail(1));
    TextString failure = command.problem;
    if (given.empty()) {
        failure = "the command line is empty";
    } else if (failure.empty()) {
        trace("output command %s: runs as %s (%d inserted values)", given.c_str(),
              command.line.c_str(), command.arguments.count());
        handle_ = platform::startPipedCommand(command.line.c_str(), command.arguments, failure);
    }
    if (handle_ != platform::kNoOutput) {
        trace("output command %s: started", given.c_str());
        return;
    }
    trace("output command %s: cannot be started: %s", given.c_str(), failure.c_str());
    // Said on standard error too, which is where the user looks when output goes missing; the
    // stream that named this command stays where it was.
    std::fprintf(stderr, "wyn: output command %s cannot be started: %s\n", given.c_str(),
                 failure.c_str());
    std::fflush(stderr);
}

OutputSink::~OutputSink() {
    platform::closeOutput(handle_);
}

OutputRedirector::~OutputRedirector() {
    flush();
    restore(output_);
    restore(error_);
    for (int32_t i = 0; i < sinks_.length(); ++i) {
        delete sinks_[i];
    }
    sinks_.resize(0);
}

OutputSink* OutputRedirector::findOrOpenSink(const ExpandedText& value) {
    for (int32_t i = 0; i < sinks_.length(); ++i) {
        if (sinks_[i]->value().sameAs(value)) {
            return sinks_[i];
        }
    }
    OutputSink* sink = new OutputSink(value);
    sinks_.append(&sink, 1);
    return sink;
}

void OutputRedirector::redirectStdout(const ExpandedText& value) {
    redirect(output_, value);
}

void OutputRedirector::redirectStderr(const ExpandedText& value) {
    redirect(error_, value);
}

void OutputRedirector::redirect(StreamState& state, const ExpandedText& value) {
    OutputSink* sink = findOrOpenSink(value);
    state.target = sink->handle();
    if (state.target == platform::kNoOutput) {
        trace("%s stays where it was", state.name);
        return;
    }
    if (state.redirected) {
        return;
    }
    state.redirected = true;
    bool took =
        platform::replaceStandardStream(state.stream, state.target, sink->isCommand(), state.saved);
    state.fallback = !took;
    trace("%s to %s%s", state.name, sink->name().c_str(),
          took ? "" : ": the standard stream did not take it, Java's stream will");
}

void OutputRedirector::restore(StreamState& state) {
    if (state.redirected) {
        platform::restoreStandardStream(state.stream, state.saved);
        state.redirected = false;
    }
}

void OutputRedirector::flush() {
    std::fflush(stdout);
    std::fflush(stderr);
}

void OutputRedirector::installJavaStream(JNIEnv* env, const StreamState& state,
                                         const char* setter) {
    LocalRef<jclass> streamClass(
        env, findClassChecked(env, "com/tarnwick/wyn/RedirOutputStream", false));
    LocalRef<jclass> printClass(env, findClassChecked(env, "java/io/PrintStream", false));
    LocalRef<jclass> systemClass(env, findClassChecked(env, "java/lang/System", false));
    if (streamClass.isNull() || printClass.isNull() || systemClass.isNull()) {
        trace("%s: the Java-side stream is missing a class", state.name);
        return;
    }
    jmethodID streamConstructor = findMethodChecked(env, streamClass.get(), "<init>", "()V", false);
    jfieldID handleField = env->GetFieldID(streamClass.get(), "h", "J");
    checkException(env, false);
    jmethodID printConstructor =
        findMethodChecked(env, printClass.get(), "<init>", "(Ljava/io/OutputStream;)V", false);
    jmethodID set =
        findStaticMethodChecked(env, systemClass.get(), setter, "(Ljava/io/PrintStream;)V", false);
    if (streamConstructor == nullptr || handleField == nullptr || printConstructor == nullptr ||
        set == nullptr) {
        trace("%s: the Java-side stream is missing a member", state.name);
        return;
    }
    LocalRef<jobject> stream(env, env->NewObject(streamClass.get(), streamConstructor));
    if (stream.isNull()) {
        checkException(env, false);
        return;
    }
    // The whole handle, 64 bits wide: a Windows x64 handle does not fit in 32.
    env->SetLongField(stream.get(), handleField, static_cast<jlong>(state.target));
    LocalRef<jobject> print(env, env->NewObject(printClass.get(), printConstructor, stream.get()));
    if (print.isNull()) {
        checkException(env, false);
        return;
    }
    env->CallStaticVoidMethod(systemClass.get(), set, print.get());
    if (checkException(env, false) == 0) {
        trace("%s: System.%s with a RedirOutputStream", state.name, setter);
    }
}

void OutputRedirector::installJavaRedirection(JNIEnv* env) {
    if (env == nullptr) {
        return;
    }
    if (output_.fallback) {
        installJavaStream(env, output_, "setOut");
    }
    if (error_.fallback) {
        installJavaStream(env, error_, "setErr");
    }
}

OutputRedirector& outputRedirector() {
    static OutputRedirector redirector;
    return redirector;
}
