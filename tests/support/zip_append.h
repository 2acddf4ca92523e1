// Test support: entries added to the archive at the end of a packed executable, stored or
// deflated (raw deflate at the best level, as the packer stores the runtime carried inside a
// program), with a Unix mode in their external attributes. The new entries go between the
// last entry and the central directory, which is written anew with the old entries first;
// offsets keep the convention the archive had (from the file's or the archive's start).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZipEntryToAdd {
    std::string name;
    std::string content;
    bool deflate = true;
    uint32_t mode = 0644;
    // For damaged archives: a CRC-32 or size in the directory other than the content's.
    bool wrongCrc = false;
    int64_t declaredSize = -1;
    // For damaged archives: the data written instead of the content's (deflated) form, and a
    // method number instead of 8 or 0.
    std::string dataOverride;
    int forceMethod = -1;
};

// An entry with its name and content, deflated, mode 0644.
ZipEntryToAdd zipEntry(std::string name, std::string content);

// The executable's bytes with the entries added; empty when it ends in no archive.
std::string withZipEntries(const std::string& executable,
                           const std::vector<ZipEntryToAdd>& entries);

// The raw deflate stream of bytes at the best level.
std::string rawDeflate(const std::string& bytes);
