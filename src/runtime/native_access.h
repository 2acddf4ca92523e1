// Native access for the support classes. They load the launcher's natives through
// System.load/loadLibrary, which runtimes of release 24 and later count as restricted: without
// native access granted to the class path the runtime prints a warning block to the
// application's standard error on their first use. Those runtimes are handed
// --enable-native-access=ALL-UNNAMED; older ones are not (an option a runtime does not know
// stops it at creation, and they do not warn), and neither is a runtime whose configured
// options already decide native access themselves. Same on every platform.
#pragma once

#include "base/text.h"

// The options to add for the runtime library to be loaded and the options collected so far.
StringList nativeAccessOptions(TextView runtimeLibrary, const StringList& vmOptions);
