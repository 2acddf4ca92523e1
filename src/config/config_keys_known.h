// The trace of configuration lines whose key is none of the keys the launcher understands
// (format/known_config_keys.h): a typo ("maxjr 17") is otherwise ignored without a word.
//
// Lines are read as the store reads them: blanks, then a key made of letters, digits and '_',
// matched ignoring ASCII case. A line whose first character after the blanks cannot begin a
// key (a "# comment") names no key.
//
// Platforms: pure text code, the same everywhere.
#pragma once

#include "base/text.h"
#include "format/known_config_keys.h"

// Traces every line of text (UTF-8 configuration lines) whose key is unknown, naming the
// source ("external", "embedded") and the line's number within it.
void traceUnknownKeys(TextView text, const char* source);
