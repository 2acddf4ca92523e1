// The files a wynpack executable carries inside itself: the launcher stubs and the support jar,
// appended to the packer's own file when dist/ is assembled, so that a copy of dist/bin/wynpack
// packs for every target without the directories that were beside it.
//
// The carried block follows the ELF image unchanged (the loader maps only what the program
// headers name, so the bytes behind it are never read when the packer runs):
//
//   ELF image of wynpack
//   item 1 ... item n           each carried file's bytes, one after the other
//   index                       per item, in the same order:
//                                 u32 name length, name (UTF-8, e.g. "stubs/windows-x86/wyn.exe",
//                                 the path the file has beside the tool in dist/), u64 size,
//                                 u32 CRC-32 of the item's bytes
//   trailer (24 bytes)          u64 length of items + index, u32 length of the index,
//                               u32 CRC-32 of the index, 8 bytes "WYNCARRY"
//
// Every number is little-endian. A file whose last 8 bytes are not "WYNCARRY" carries nothing
// (the packer of a build tree, which finds its files beside itself). A block whose lengths do
// not fit the file or each other, or whose index or items fail their CRC-32, is damaged: the
// reason is reported and nothing of it is used. Stripping the executable removes the block.
//
// Platforms: pure code over bytes; the packer is a Linux host tool.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wynpack {

struct CarriedFile {
    std::string name;
    std::string bytes;
};

// The block to append to an executable so that it carries the files.
std::string carriedBlock(const std::vector<CarriedFile>& files);

enum class CarriedState { None, Present, Damaged };

// Reads the block at the end of `file`: None when it has none, Present with the files, or
// Damaged with the reason in `reason`.
CarriedState readCarriedFiles(std::string_view file, std::vector<CarriedFile>& files,
                              std::string& reason);

}  // namespace wynpack
