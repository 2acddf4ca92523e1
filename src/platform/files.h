// Files, paths and directories as the launcher sees them.
//
// Windows: the "A" functions of Win32 and the C runtime's _access; paths are ANSI and may
// mix both separators. Linux: POSIX calls; only '/' separates, and fullPath() resolves "."
// and ".." lexically against the current directory, the way GetFullPathNameA does.
//
// Two forms of a path. The launcher reads its own executable and its external configuration
// by their exact paths: on Windows UTF-8 text opened through the wide (UTF-16) functions, so
// no character outside the ANSI code page can lose them. Every path it hands on (class path,
// system properties, runtime paths, working directory) is ANSI: the path itself when the code
// page represents it, else its short (8.3) form when the volume has one (the trace says so),
// else none (empty), and the start stops with a message naming the path. On Linux both
// forms are the path's bytes, and a path has no ANSI form when its bytes do not decode in the
// locale's charset, with which the Java runtime decodes the paths it is given.
// The directory enumeration takes a pattern whose last component may hold '*' and '?':
// FindFirstFileA on Windows, opendir + fnmatch (case-sensitive) on Linux, where every other
// character of the pattern ('\\' and '[' included) matches only itself. Entries come in
// the order the file system returns them, "." and ".." included (callers skip them).
// Parts of a file are read with ReadFile at an offset on Windows, pread on Linux.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace platform {

// A character that separates path components: '\\' and '/' on Windows, '/' alone on Linux,
// where a backslash is an ordinary character of a file name.
bool isPathSeparator(char c);

// The file or directory exists and may be read (_access mode 4).
bool canRead(const char* path);
// The file or directory exists (_access mode 0).
bool exists(const char* path);

// The current directory in its ANSI form, empty on failure or when it has none.
TextString currentDirectory();
bool setCurrentDirectory(const char* path);

// The exact path of the running executable (GetModuleFileNameW as UTF-8 / /proc/self/exe).
TextString executableFile();
// The running executable's path in its ANSI form; empty when it has none.
TextString executablePath();
// The ANSI form of an exact path; empty when it has none.
TextString ansiPathOf(const char* exactPath);
#ifdef _WIN32
// The ANSI form of a UTF-16 path read from the system; empty when it has none.
TextString ansiPathOf(const char16_t* widePath);
#endif

// GetFullPathNameA semantics: the full path's length without NUL when it fits in size bytes
// (NUL included), else the size needed including the NUL; 0 on failure.
int32_t fullPath(const char* path, char* buffer, int32_t size);

// Reads a whole file given by its exact path (opened for reading, sharing read and write).
// False when it cannot be opened; a short read keeps the bytes that were read.
bool readWholeFile(const char* path, ByteBuffer& out);

// A file given by its exact path, opened for reading parts of it at given offsets, so that a
// large file need not be read or mapped whole (a 32-bit process may not find address space
// for it).
class FileReader {
  public:
    FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    // False when the file cannot be opened or is no regular, non-empty file.
    [[nodiscard]] bool open(const char* path);
    int64_t size() const { return size_; }
    // Reads exactly length bytes at offset; false when they are not all inside the file or
    // cannot be read.
    [[nodiscard]] bool readAt(int64_t offset, void* buffer, int32_t length) const;

  private:
    intptr_t handle_ = -1;
    int64_t size_ = 0;
};

// An identity that two paths of the same directory share, however they reach it (links,
// "..", other spellings): device and inode on Linux; volume serial number and file index on
// Windows. False when the directory cannot be opened.
[[nodiscard]] bool directoryIdentity(const char* path, TextString& id);

// The identity of this process's program file itself, whatever path started it (letter case,
// a short 8.3 name, a substituted drive, a hard link, a symbolic link): device and inode of
// /proc/self/exe on Linux; volume serial number and file index of the opened module file on
// Windows, as hexadecimal numbers joined by '-'. False when the file cannot be opened.
[[nodiscard]] bool programIdentity(TextString& id);

struct DirectoryEntry {
    TextString name;
    bool isDirectory = false;
};

// Enumerates the entries that match a pattern; closes itself when destroyed.
class DirectoryEnumeration {
  public:
    explicit DirectoryEnumeration(const char* pattern);
    DirectoryEnumeration(const DirectoryEnumeration&) = delete;
    DirectoryEnumeration& operator=(const DirectoryEnumeration&) = delete;
    ~DirectoryEnumeration();

    // The next matching entry; false when there are no more (or none could be read).
    [[nodiscard]] bool next(DirectoryEntry& entry);

  private:
    void* handle_ = nullptr;
    TextString directory_;
    TextString namePattern_;
    bool first_ = true;
    void* findData_ = nullptr;
};

}  // namespace platform
