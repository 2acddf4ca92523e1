// The directory of runtime copies on Windows, and the administrators-only directories.
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "platform/admin_directory_win.h"
#include "platform/cache_tree.h"
#include "platform/files.h"
#include "platform/runtime_cache_root.h"

namespace platform {

const char kAdministratorsOnlyDescriptor[] =
    "O:BAG:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

namespace {

// Every right that changes a file or directory, its contents or who may change it.
constexpr DWORD kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                  FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                  WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// SYSTEM, the Administrators group, or the TrustedInstaller service.
bool isAdministrative(PSID sid) {
    static const char* const kTrusted[] = {
        "S-1-5-18", "S-1-5-32-544",
        "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"};
    for (const char* text : kTrusted) {
        PSID trusted = nullptr;
        if (ConvertStringSidToSidA(text, &trusted)) {
            bool same = EqualSid(sid, trusted) != 0;
            LocalFree(trusted);
            if (same) {
                return true;
            }
        }
    }
    return false;
}

// The UTF-8 text of a UTF-16 path from the system.
TextString utf8Of(const wchar_t* path) {
    return utf8FromWide(reinterpret_cast<const char16_t*>(path), -1);
}

TextString wideVariableUtf8(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    return n == 0 || n >= MAX_PATH * 2 ? TextString() : utf8Of(value);
}

}  // namespace

bool createAdministratorsOnlyDirectory(const char* path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kAdministratorsOnlyDescriptor, SDDL_REVISION_1, &descriptor, nullptr)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    bool made = CreateDirectoryA(path, &attributes) != 0 || isDirectory(path);
    if (!made) {
        noteCacheFailure();
    }
    LocalFree(descriptor);
    return made;
}

bool onlyAdministratorsMayWrite(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    BOOL present = FALSE;
    PACL list = nullptr;
    if (descriptor == nullptr || !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        owner == nullptr || !isAdministrative(owner) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) || !present ||
        list == nullptr) {
        // No list at all grants everyone everything.
        return false;
    }
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(list, i, &entry)) {
            return false;
        }
        auto* header = static_cast<ACE_HEADER*>(entry);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) {
            continue;
        }
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            return false;  // an entry this check does not understand
        }
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & kChangingRights) != 0 &&
            !isAdministrative(reinterpret_cast<PSID>(&allowed->SidStart))) {
            return false;
        }
    }
    return true;
}

bool writableOnlyByAdministrators(const char* path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(path, SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    bool only = onlyAdministratorsMayWrite(descriptor);
    LocalFree(descriptor);
    return only;
}

RuntimeCacheRoot prepareRuntimeCacheRoot(bool elevated, TextString& root, TextString& shown) {
    TextString base;
    if (elevated) {
        wchar_t folder[MAX_PATH];
        if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) !=
            S_OK) {
            return RuntimeCacheRoot::NoPlace;
        }
        shown = utf8Of(folder);
        base = ansiPathOf(reinterpret_cast<const char16_t*>(folder));
    } else {
        shown = wideVariableUtf8(L"LOCALAPPDATA");
        if (shown.empty()) {
            return RuntimeCacheRoot::NoPlace;
        }
        base = ansiPathOf(shown.c_str());
    }
    shown.append("\\wyn\\runtimes");
    if (base.empty()) {
        return RuntimeCacheRoot::NoAnsiForm;
    }
    TextString product = TextString::concat(base, TextView("\\wyn"));
    root = TextString::concat(product, TextView("\\runtimes"));
    if (!elevated) {
        return createDirectoryPath(root.c_str()) ? RuntimeCacheRoot::Ready
                                                 : RuntimeCacheRoot::Failed;
    }
    if (!createAdministratorsOnlyDirectory(product.c_str()) ||
        !createAdministratorsOnlyDirectory(root.c_str())) {
        return RuntimeCacheRoot::Failed;
    }
    return writableOnlyByAdministrators(product.c_str()) &&
                   writableOnlyByAdministrators(root.c_str())
               ? RuntimeCacheRoot::Ready
               : RuntimeCacheRoot::Untrusted;
}

}  // namespace platform
