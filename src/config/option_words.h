// The options that `java` accepts in two words on its command line ("--add-opens VALUE"),
// which the runtime's creation call takes only as one ("--add-opens=VALUE"), and the joining
// of those words as `java` does it, so that an `option` line copied from a start script
// takes effect instead of being dropped by the runtime.
//
// The two words may stand on one `option` line ("--add-opens java.base/java.lang=ALL-UNNAMED")
// or on two consecutive `option` lines of the same source; values of the embedded text are
// never joined with values of the external file. "-p" becomes "--module-path", as in `java`.
//
// Platforms: pure text code, the same everywhere.
#pragma once

#include "base/text.h"

// The long name of an option that `java` takes with its value in the next word ("-p" gives
// "--module-path"); null for any other text. Letter case is significant, as for `java`.
const char* twoWordOptionName(TextView word);

// Appends the values of one source to target, in order, with every two-word option joined to
// its value. A value made of such an option alone takes the next value as its value; when
// there is none, it is passed on unchanged (the runtime then reports or ignores it). Each
// joining is traced.
void appendJoiningTwoWordOptions(const StringList& values, StringList& target);
