// Redirection of standard output and error (the `stdout` and `stderr` keys) to files, which
// are appended to, and to commands, whose standard input receives the stream ("|command").
//
// The start-up sequence redirects the process's standard streams before the virtual machine
// exists, so the runtime created later writes to the targets. Where a standard stream does
// not take the new target, installJavaRedirection replaces System.out or System.err once
// the virtual machine runs with a PrintStream over com.tarnwick.wyn.RedirOutputStream, whose
// natives (redirect_natives.h) write to the target. At process exit the redirector flushes
// the C streams, puts the standard streams back and closes its targets, so a command sees the
// end of its input.
//
// Sinks are named by their configuration value, byte for byte (and by the places of the
// values inserted into it): the same value opens one sink, and a sink that failed to open is
// not tried again. A value that begins with '|' is a command line (output_command.h says how
// inserted values reach the command); anything else (also a blank before '|') is a file name,
// relative to the current directory. A failed sink leaves its stream alone: a file that cannot
// be opened is reported in the trace, a command that cannot be started in the trace and on
// standard error, with the reason. The command is started, and found to run, before the
// stream is moved onto it, so nothing written meanwhile is lost.
//
// Platforms: the OS calls are in platform/process.h (Windows: handles, CreateProcessA and
// the C runtime's descriptors; Linux: descriptors, dup2 and /bin/sh -c).
#pragma once

#include <jni.h>

#include "base/text.h"
#include "config/expanded_text.h"
#include "platform/process.h"

// One output target, identified by the configuration value that named it.
class OutputSink {
  public:
    // Opens the file or starts the command that value names.
    explicit OutputSink(const ExpandedText& value);
    OutputSink(const OutputSink&) = delete;
    OutputSink& operator=(const OutputSink&) = delete;
    virtual ~OutputSink();

    const TextString& name() const { return value_.text(); }
    const ExpandedText& value() const { return value_; }
    // The target, or platform::kNoOutput when opening failed.
    platform::OutputHandle handle() const { return handle_; }
    bool isCommand() const { return name().byteAt(0, 0) == '|'; }

  private:
    void startCommand();

    ExpandedText value_;
    platform::OutputHandle handle_ = platform::kNoOutput;
};

class OutputRedirector {
  public:
    OutputRedirector() = default;
    OutputRedirector(const OutputRedirector&) = delete;
    OutputRedirector& operator=(const OutputRedirector&) = delete;
    // The teardown: flushes, restores the standard streams, then closes every sink.
    virtual ~OutputRedirector();

    // The sink named by value, opened on first use (also when opening fails).
    OutputSink* findOrOpenSink(const ExpandedText& value);
    void redirectStdout(const ExpandedText& value);
    void redirectStderr(const ExpandedText& value);
    // Installs the Java-side streams for the standard streams whose target did not take.
    void installJavaRedirection(JNIEnv* env);
    // Writes out what the C library's stdout and stderr still hold.
    void flush();

    int32_t sinkCount() const { return sinks_.length(); }
    platform::OutputHandle stdoutTarget() const { return output_.target; }
    platform::OutputHandle stderrTarget() const { return error_.target; }
    bool stdoutFallback() const { return output_.fallback; }
    bool stderrFallback() const { return error_.fallback; }

  private:
    struct StreamState {
        StreamState(const char* traceName, platform::StandardStream which)
            : name(traceName), stream(which) {}
        const char* name;  // for the trace
        platform::StandardStream stream;
        platform::OutputHandle target = platform::kNoOutput;
        platform::SavedStandardStream saved;
        bool redirected = false;
        bool fallback = false;
    };

    void redirect(StreamState& state, const ExpandedText& value);
    void installJavaStream(JNIEnv* env, const StreamState& state, const char* setter);
    void restore(StreamState& state);

    ItemArray<OutputSink*> sinks_;
    StreamState output_{"standard output", platform::StandardStream::Output};
    StreamState error_{"standard error", platform::StandardStream::Error};
};

// The process-wide redirector: made before the entry's other process-wide objects and torn
// down at process exit after them.
OutputRedirector& outputRedirector();
