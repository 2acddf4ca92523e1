// The splash images among the executable's own resources on Windows: bitmap 100 for the
// native splash window, raw data 100 for the runtime's splash library.
#include <windows.h>

#include "platform/resources.h"

namespace platform {

namespace {
constexpr WORD kSplashResourceId = 100;
}

void* loadSplashBitmap() {
    return LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kSplashResourceId));
}

bool findSplashImageData(const void*& data, int32_t& size) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(kSplashResourceId), RT_RCDATA);
    if (resource == nullptr) {
        return false;
    }
    DWORD bytes = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    const void* locked = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == 0 || bytes > INT32_MAX || locked == nullptr) {
        return false;
    }
    data = locked;
    size = static_cast<int32_t>(bytes);
    return true;
}

}  // namespace platform
