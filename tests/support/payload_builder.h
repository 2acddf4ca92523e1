// Test support: crafted launcher executables and scratch directories.
//
// A crafted executable is: stub bytes, the configuration text (by default with the UTF-8
// byte order mark in front and one NUL behind, both counted in the length), the 4-byte
// little-endian length, 16 zero bytes, and a valid ZIP archive (stored entries, optional
// comment, optionally ZIP64 end records, offsets counted from the archive's own start unless
// asked otherwise). Tests build stores from such files with ConfigStore(false).loadFrom(path).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct CraftedExecutable {
    std::string stub = "MZ crafted launcher stub\n";
    std::string config;         // configuration text without byte order mark
    bool byteOrderMark = true;  // put EF BB BF in front of the text
    bool closingNul = true;     // put one NUL behind the text
    std::vector<std::pair<std::string, std::string>> entries;  // name, content (stored)
    std::string zipComment;
    bool zip64 = false;                 // write ZIP64 end record and locator
    bool offsetsFromFileStart = false;  // ZIP offsets count from the start of the file

    // The whole file.
    std::string bytes() const;
    // Only the ZIP archive, as it would be for a stub of the given size.
    std::string archive(uint64_t archiveStart) const;
};

// The configuration bytes that CraftedExecutable puts in front of the length field.
std::string payloadTextBytes(const CraftedExecutable& exe);

// The CRC-32 (ZIP polynomial) of bytes.
uint32_t crc32Of(const std::string& bytes);

// Writes bytes to path (replacing the file); false on failure.
bool writeBytes(const std::string& path, const std::string& bytes);
// The whole content of a file; empty when it cannot be read.
std::string readBytes(const std::string& path);

// A fresh directory under the system's temporary directory, removed with its content when
// the object is destroyed.
class ScratchDirectory {
  public:
    ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    ~ScratchDirectory();

    // The directory, with the platform's preferred separator at the end.
    const std::string& path() const { return path_; }
    // path() + name.
    std::string file(const std::string& name) const { return path_ + name; }
    // Writes exe as path() + name and returns that path (stops the test run on failure).
    std::string writeExecutable(const CraftedExecutable& exe,
                                const std::string& name = "app.exe") const;

  private:
    std::string path_;
};
