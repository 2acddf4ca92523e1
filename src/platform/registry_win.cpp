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

REGSAM access(RegistryView view) {
    if (view == RegistryView::Default) {
        return KEY_READ;
    }
#if defined(_WIN64)
    return KEY_READ | KEY_WOW64_64KEY;
#else
    return KEY_READ | KEY_WOW64_32KEY;
#endif
}

}  // namespace

bool readRegistryValue(RegistryRoot root, const char* keyPath, const char* valueName,
                       RegistryValue& out, RegistryView view) {
    HKEY key;
    if (RegOpenKeyExA(rootKey(root), keyPath, 0, access(view), &key) != ERROR_SUCCESS) {
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
                      TextString& path, RegistryView view) {
    HKEY key;
    if (RegOpenKeyExA(rootKey(root), keyPath, 0, access(view), &key) != ERROR_SUCCESS) {
        return false;
    }
    WideString name = wideFromNarrow(valueName, -1);
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

void listRegistrySubkeys(RegistryRoot root, const char* keyPath, RegistryView view,
                         StringList& names) {
    HKEY key;
    if (RegOpenKeyExA(rootKey(root), keyPath, 0, access(view), &key) != ERROR_SUCCESS) {
        return;
    }
    // Key names are at most 255 characters.
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        LONG rc = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) {
            names.addString(TextView(name, static_cast<int32_t>(length)));
        } else if (rc != ERROR_MORE_DATA) {
            break;
        }
    }
    RegCloseKey(key);
}

}  // namespace platform
