// String table entries of the running executable.
#include <windows.h>

#include <cstring>

#include "platform/resources.h"

namespace platform {

bool loadStringResource(int id, WideString& out) {
    out.resize(0);
    if (id < 0) {
        return false;
    }
    // Block id / 16 + 1 holds 16 counted UTF-16 strings; the entry is number id % 16.
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id / 16 + 1), MAKEINTRESOURCEA(6));
    if (found == nullptr) {
        return false;
    }
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const unsigned char* block =
        loaded != nullptr ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    if (block == nullptr) {
        return false;
    }
    // Every count is checked against the block's size: a damaged table is read no further.
    DWORD offset = 0;
    for (int entry = 0;; ++entry) {
        if (size < 2 || offset > size - 2) {
            return false;
        }
        DWORD units = block[offset] | block[offset + 1] << 8;
        offset += 2;
        if (units > (size - offset) / 2) {
            return false;
        }
        if (entry == id % 16) {
            if (units == 0) {
                return false;
            }
            out.resize(static_cast<int32_t>(units));
            std::memcpy(out.data(), block + offset, units * 2);
            return true;
        }
        offset += units * 2;
    }
}

}  // namespace platform
