// The access list of the directories that only administrators may change on Windows (the
// runtime copies of elevated programs, runtime_cache_root.h), and the check applied to such a
// directory before it is used. Windows only.
#pragma once

#include <windows.h>

namespace platform {

// The descriptor, as security descriptor text: owner Administrators, a protected list that
// grants SYSTEM and Administrators full control and Users read and execute, inherited by
// every file and directory below.
extern const char kAdministratorsOnlyDescriptor[];

// Makes a directory with that descriptor; an existing one is kept as it is (the check decides
// whether it may be used). False when it cannot be made.
bool createAdministratorsOnlyDirectory(const char* path);

// Whether a descriptor's owner is SYSTEM, Administrators or TrustedInstaller and its list
// grants nobody else a right to write, append, delete, change attributes, permissions or the
// owner (access-denied entries and entries that only children inherit are passed over).
bool onlyAdministratorsMayWrite(PSECURITY_DESCRIPTOR descriptor);

}  // namespace platform
