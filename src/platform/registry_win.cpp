// Registry reads through advapi32.
#include <windows.h>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace platform {

namespace {

HKEY rootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryRoot::Users:
            return HKEY_USERS;
        case RegistryRoot::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
    }
    return HKEY_LOCAL_MACHINE;
}

}  // namespace

bool readRegistryValue(RegistryRoot root, const char* keyPath, const char* valueName,
                       RegistryValue& out) {
    HKEY key;
    if (RegOpenKeyExA(rootKey(root), keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0, size = 0;
    bool ok = RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (ok) {
        // The value may change between the two calls; a larger one fails the second call.
        out.bytes.resize(static_cast<int32_t>(size));
        ok = RegQueryValueExA(key, valueName, nullptr, &type,
                              reinterpret_cast<BYTE*>(out.bytes.data()), &size) == ERROR_SUCCESS;
        if (ok) {
            out.bytes.resize(static_cast<int32_t>(size));
            out.type = type;
        }
    }
    RegCloseKey(key);
    return ok;
}

bool readRegistryPath(RegistryRoot root, const char* keyPath, const char* valueName,
                      TextString& path) {
    HKEY key;
    if (RegOpenKeyExA(rootKey(root), keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    WideString name;
    ansiToUtf16(valueName, -1, name);
    const auto* wideName = reinterpret_cast<const wchar_t*>(name.data());
    DWORD type = 0, size = 0;
    bool ok = RegQueryValueExW(key, wideName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
              (type == REG_SZ || type == REG_EXPAND_SZ);
    WideString value;
    if (ok) {
        // Room for a closing zero that the stored value may lack.
        value.resize(static_cast<int32_t>(size / 2 + 1));
        DWORD bytes = size;
        ok = RegQueryValueExW(key, wideName, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                              &bytes) == ERROR_SUCCESS &&
             bytes <= size;
        if (ok) {
            value.resize(static_cast<int32_t>(bytes / 2));
        }
    }
    RegCloseKey(key);
    if (!ok) {
        return false;
    }
    path = ansiPathOf(value.data());
    return !path.empty();
}

}  // namespace platform
