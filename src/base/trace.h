// The launcher's decision trace: with the environment variable WYN_TRACE set to 1, one line
// per decision goes to standard error, with the microseconds elapsed since start-up, so a
// user can see which configuration, runtime, options and class path were used and where
// start-up time goes. Without it nothing extra is printed. Same on every platform.
#pragma once

// Writes one trace line ("wyn: [   1234 us] ..." and a line feed) when tracing is on.
void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

bool traceEnabled();
