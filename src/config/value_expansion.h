// Expansion of references in configuration values.
//
// Four forms: %NAME%, %{NAME}%, $NAME and ${NAME}. A plain NAME is a run of ASCII letters,
// digits and '_'; the brace form takes everything up to '}', so it can name registry values
// and carry a default after '|': ${HKCU\Software\Vendor\Key\Value|default}. "%%" stands for
// "%" and "$$" for "$". A name is looked up in the environment, then among the launcher's own
// variables (APPLICATION_HOME, PWD, WYN_APP_PATH, HOME), then in the registry; a reference
// that resolves nowhere stays in the text unchanged, and inserted values are not scanned
// again. Expansion never fails.
//
// Registry values of the expandable string type are expanded in turn; references nested
// deeper than kMaxRegistryNesting stay literal, so a value that refers to itself cannot
// recurse without end.
//
// Platforms: Windows reads the registry and compares environment names ignoring case, as the
// C runtime does. Linux has no registry (a registry reference gives its default, or stays
// literal) and environment names keep their case; there PWD, APPLICATION_HOME and WYN_APP_PATH
// are the launcher's own before the environment is asked, because shells export PWD.
#pragma once

#include "base/text.h"
#include "config/expanded_text.h"

class ConfigStore;

constexpr int kMaxRegistryNesting = 8;

// Expands source against the process's store (activeConfig). With toUtf8, every inserted
// value that holds a byte of 0x80 or above is converted from ANSI to UTF-8; the source text
// itself is never converted.
TextString expand(TextView source, bool toUtf8);
// The same against a given store (null: the launcher's own variables that need a store are
// not defined).
TextString expand(TextView source, bool toUtf8, const ConfigStore* store);
// The same, with the places of the inserted values kept (see config/expanded_text.h); its
// text() is what expand gives.
ExpandedText expandMarked(TextView source, bool toUtf8, const ConfigStore* store);

// The launcher's own variables, names compared ignoring case: APPLICATION_HOME (the
// executable's directory with its trailing separator), PWD (the current directory with its
// trailing separator), WYN_APP_PATH (the executable's path) and HOME (HOMEDRIVE followed by
// HOMEPATH when both are set, else empty). False when name is none of them.
[[nodiscard]] bool builtinVariable(const ConfigStore* store, TextView name, TextString& value);

// A registry reference: a root prefix (HKCR, HKCU, HKLM, HKU, HKCC or the long HKEY_ names,
// each followed by a backslash, case-sensitive), key path, '\', value name (empty: the key's
// default value), and optionally '|' and a default. Strings end at their first NUL whether or not
// the stored data holds one; expandable strings are expanded; DWORDs (either byte order) come out
// as signed decimal; other types as empty text. False when the value cannot be read and there is no
// default; a name without root prefix gives its default, if any.
[[nodiscard]] bool registryVariable(const ConfigStore* store, TextView name, TextString& value);
