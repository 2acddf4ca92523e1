// The output redirector: sinks named by configuration values, the standard streams moved
// onto them, the Java-side fallback, and the teardown at process exit.
#include "args_output/output_redirector.h"

#include <cstdio>

#include "base/jni_calls.h"
#include "base/trace.h"

OutputSink::OutputSink(TextView value) : name_(value) {
    if (isCommand()) {
        TextString commandLine = name_.tail(1);
        handle_ = commandLine.empty() ? platform::kNoOutput
                                      : platform::startPipedCommand(commandLine.c_str());
        trace("output command %s: %s", commandLine.c_str(),
              handle_ == platform::kNoOutput ? "cannot be started" : "started");
    } else {
        handle_ = platform::openAppendFile(name_.c_str());
        trace("output file %s: %s", name_.c_str(),
              handle_ == platform::kNoOutput ? "cannot be opened" : "opened");
    }
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

OutputSink* OutputRedirector::findOrOpenSink(TextView value) {
    for (int32_t i = 0; i < sinks_.length(); ++i) {
        if (sinks_[i]->name().compare(value) == 0) {
            return sinks_[i];
        }
    }
    OutputSink* sink = new OutputSink(value);
    sinks_.append(&sink, 1);
    return sink;
}

void OutputRedirector::redirectStdout(TextView value) {
    redirect(output_, value);
}

void OutputRedirector::redirectStderr(TextView value) {
    redirect(error_, value);
}

void OutputRedirector::redirect(StreamState& state, TextView value) {
    OutputSink* sink = findOrOpenSink(value);
    state.target = sink->handle();
    if (state.target == platform::kNoOutput || state.redirected) {
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
