// Names of the objects that the running instances of one user share: the registry's block,
// its lock, the mailbox's mutex and signal, and the single-instance guard.
//
// Every such object belongs to one user. Its name carries the protocol version
// (kSharedObjectProtocol), so that a build that uses the objects differently, running at the
// same time, never shares one with this build: "wyn<version>-" comes before the caller's name.
// A name that is too long keeps its beginning and ends in a hash of the whole name followed by
// the name's own ending from its last ".wyn." on (".wyn.mapping", ".wyn.mutex"), so that
// different long names stay apart and every process computes the same short name.
//
// Windows: a kernel object name in the session's namespace, "Local\wyn3-<user's SID>-<name>",
// and every object is created with a security descriptor that grants only that user
// (object_security_win.h); the SID in the name keeps users apart, the descriptor keeps an
// object made by one of the user's processes (also an elevated one) open to the others.
// Linux: a file "wyn3-<name>" ('/' turned into '.') in a directory private to the user:
// $XDG_RUNTIME_DIR when that is such a directory, else <$TMPDIR or /tmp>/wyn-<uid>, else
// $HOME/.wyn, the last two created with mode 0700. A directory counts as private when it is a
// real directory (not a link) owned by the user that nobody else may write to. Any fixed or
// uid-derived name in a directory that everyone can write to could be taken first by another
// user; one in a private directory cannot.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace platform {

// The version of the protocol spoken through the shared objects (the block's layout and the
// mailbox's use of it). Raised whenever that changes.
constexpr int kSharedObjectProtocol = 3;

// name, or a shortened form of it within limit bytes (see above).
TextString nameWithinLimit(const char* name, int32_t limit);

// "wyn<kSharedObjectProtocol>-" followed by name.
TextString versionedName(const char* name);

// The system's full name of this user's object called name (see above): a kernel object name
// on Windows, a file path on Linux. Empty when the user has no place for it (Linux: no private
// directory; Windows: the user's SID cannot be read).
TextString userObjectName(const char* name);

}  // namespace platform
