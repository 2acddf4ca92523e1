// The launcher's decision trace: one line per decision, with the microseconds elapsed since
// start-up, so a user or support staff can see which configuration, runtime, options and
// class path were used and where start-up time goes.
//
// Lines go to standard error when the environment variable WYN_TRACE is 1, and to the trace
// file when the entry names one (the `trace` key). The entry can only name the file once it
// has read the configuration, which is itself traced: until it has said whether there is a
// file, lines are kept in memory (at most 64 KiB) and written to the file first. Without
// either, nothing extra is printed. Same on every platform: the file is reached through the
// writer the entry hands over.
#pragma once

#include <cstdint>

// Writes one trace line ("wyn: [   1234 us] ..." and a line feed) where the trace goes.
void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True when WYN_TRACE is 1.
bool traceEnabled();

// Appends length bytes of text to the trace file.
using TraceWriter = void (*)(const char* text, int32_t length);

// Names the trace file by its writer (null: there is none), with the line that heads this
// run's lines in it. The lines kept so far go to the writer and are released. Called once,
// by the entry, before any other thread traces.
void setTraceFile(TraceWriter writer, const char* header);
