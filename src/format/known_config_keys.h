// The keys the launcher reads from its configuration, known once: the launcher traces lines
// whose key is none of them (config/config_keys_known.h), the packer warns about them
// (wynpack/config_checks.h). A key is made of ASCII letters, digits and '_' and is matched
// ignoring ASCII case.
//
// Platforms: pure text code, the same everywhere.
#pragma once

#include <cstdint>

#include "base/text.h"

// Every key the launcher reads, in lower case.
extern const char* const kKnownConfigKeys[];
extern const int32_t kKnownConfigKeyCount;

// True when c may be part of a key.
bool isConfigKeyCharacter(char c);

// True when word (a whole key) is one the launcher reads.
bool isKnownConfigKey(TextView word);
