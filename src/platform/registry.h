// Reading registry values and listing subkeys.
//
// Windows: RegOpenKeyExA (KEY_READ) and RegQueryValueExA, first for the size, then for the
// bytes (RegQueryValueExW for values that name paths); RegEnumKeyExA for subkeys. A read in
// the launcher's own view (RegistryView::Own) adds KEY_WOW64_32KEY in the 32-bit launcher and
// KEY_WOW64_64KEY in the 64-bit one, so each sees the records of runtimes of its own bitness
// whatever the system redirects. Linux has no registry: every read reports "not found", so
// defaults apply, and no key has subkeys.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace platform {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

// Default: the view the system gives the process. Own: the view of the launcher's bitness.
enum class RegistryView { Default, Own };

// Registry value types, as Win32 numbers them.
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegDwordBigEndian = 5;

struct RegistryValue {
    uint32_t type = 0;
    ByteBuffer bytes;
};

// Reads valueName (empty: the key's default value) of keyPath below root. False when the
// key or the value cannot be read.
[[nodiscard]] bool readRegistryValue(RegistryRoot root, const char* keyPath, const char* valueName,
                                     RegistryValue& out, RegistryView view = RegistryView::Default);

// Appends the names of keyPath's subkeys below root, in the registry's order.
void listRegistrySubkeys(RegistryRoot root, const char* keyPath, RegistryView view,
                         StringList& names);

// Reads a string value that names a path (REG_SZ or REG_EXPAND_SZ, unexpanded) in UTF-16 and
// gives its ANSI form (see files.h). False when the value cannot be read, is no string, or
// the path has no ANSI form.
[[nodiscard]] bool readRegistryPath(RegistryRoot root, const char* keyPath, const char* valueName,
                                    TextString& path, RegistryView view = RegistryView::Default);

}  // namespace platform
