// The trace file of the `trace` key: the decision trace (base/trace.h) appended to a file
// that support staff can ask a user to name in the external configuration file, each start
// headed by a line with the launcher's version, the executable and the local date and time.
// A file that cannot be opened (a missing directory) changes nothing else.
//
// Platforms: the file is opened for appending as an output target (platform/process.h), so
// that starts running at the same time each append whole lines.
#pragma once

class ConfigStore;

// Hands the trace its file, or tells it that there is none. Called once, by the entry, as
// soon as the configuration is read.
void startTraceFile(const ConfigStore& config);
