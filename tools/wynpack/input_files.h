// Reading the packer's input files, with the messages a user needs when one is missing.
//
// Every failure here is bad input (exit status 2): the file does not exist, cannot be read,
// or is a directory. The configuration and the stub may also come from a pipe (a shell's
// process substitution, for instance); jars must be regular files, which libzip can seek in. A file
// is identified by its device and inode, so that the output can be compared with the inputs however
// either path is written (links, "..", symbolic links).
//
// Platforms: POSIX calls; the packer is a Linux host tool.
#pragma once

#include <sys/types.h>

#include <string>

#include "problem.h"

namespace wynpack {

// Reads the whole file. `what` names the file's role in messages ("configuration file").
[[nodiscard]] bool readInputFile(const std::string& path, const char* what, std::string& bytes,
                                 Problem& problem);

// Proves that the file is a regular file that can be read (a pipe or device is refused before
// it is opened, so that checking never waits for a writer).
[[nodiscard]] bool checkRegularInputFile(const std::string& path, const char* what,
                                         Problem& problem);

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
};

// The identity of an existing file; false when it does not exist.
bool fileIdOf(const std::string& path, FileId& id);

inline bool operator==(const FileId& a, const FileId& b) {
    return a.device == b.device && a.inode == b.inode;
}

}  // namespace wynpack
