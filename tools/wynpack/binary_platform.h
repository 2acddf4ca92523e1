// Which platform a native binary is built for, from its first bytes: an ELF file's class and
// machine, or a PE image's machine type. The packer names a stub's platform this way when
// --stub gives no target name, and checks that a Java runtime's JVM library fits the target.
//
// Platforms: pure code over bytes, the same everywhere.
#pragma once

#include <string>
#include <string_view>

namespace wynpack {

// The first bytes of a binary that binaryPlatform needs at most (the PE header lies where the
// DOS header points, within the first 4 KiB of any linker's output).
constexpr size_t kBinaryHeaderBytes = 4096;

// "linux-x86_64", "windows-x86" or "windows-x86_64" for the targets the packer knows; for
// other binaries a description ("linux-aarch64", "windows-arm64", "linux-x86", "ELF machine
// 243", "PE machine 0x1c4"); empty when the bytes begin neither an ELF file nor a PE image.
std::string binaryPlatform(std::string_view header);

}  // namespace wynpack
