// Where the launcher keeps the copies of the Java runtime carried inside a program, and the
// rule that an elevated program loads no runtime from a directory a normal user can write
// (such a user could otherwise put code into a process that runs with administrator rights).
//
// Windows: a normal program uses %LOCALAPPDATA%\wyn\runtimes, in its ANSI form (or its short
// 8.3 form, files.h). An elevated program uses %ProgramData%\wyn\runtimes (the folder the
// shell names, not the variable, which the user controls): its two directories are created
// with an explicit protected access list, owned by the Administrators group, full control for
// SYSTEM and Administrators and read and execute for Users, inherited by everything below;
// before every use both are checked to be owned by SYSTEM or Administrators and to grant no
// right to write, delete, or change permissions to anyone else. A directory that fails the
// check (made beforehand by a normal user, for example) is not used.
// Linux: $XDG_CACHE_HOME/wyn/runtimes, else ~/.cache/wyn/runtimes. A program run as root
// uses the same place, but only when the directory and every one above it belongs to root
// and is writable by no one else (a sticky directory such as /tmp, owned by root, counts as
// safe for what lies below it), as ssh checks the files it trusts.
#pragma once

#include "base/text.h"

namespace platform {

enum class RuntimeCacheRoot {
    Ready,       // root names the directory, which exists
    NoPlace,     // no cache directory can be named (no HOME, no LOCALAPPDATA)
    NoAnsiForm,  // the directory's path has no ANSI form; shown is the exact path
    Untrusted,   // elevated, and the directory may be written by others; shown names it
    Failed,      // the directory cannot be made; shown names it, cache_tree.h says why
};

// Names and makes the directory of runtime copies for a program that runs elevated or not.
// root is its path (ANSI, no trailing separator); shown is the path to name in a message
// (UTF-8).
RuntimeCacheRoot prepareRuntimeCacheRoot(bool elevated, TextString& root, TextString& shown);

// Whether only the system's administrators may change what lies in the directory (see
// above); false when it cannot be read.
bool writableOnlyByAdministrators(const char* path);

}  // namespace platform
