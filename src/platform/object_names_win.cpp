// This user's object names and their security on Windows: session-local kernel object names
// that carry the user's SID, and a descriptor that grants only that SID.
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

#include "platform/object_names.h"
#include "platform/object_security_win.h"

namespace platform {

namespace {

// A kernel object's name may not reach MAX_PATH characters; the prefix "Local\" stays apart.
constexpr int32_t kMaxObjectName = 200;

TextString readUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return TextString();
    }
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    TextString text;
    if (size > 0) {
        ByteBuffer buffer;
        buffer.resize(static_cast<int32_t>(size));
        char* sidText = nullptr;
        auto* user = reinterpret_cast<TOKEN_USER*>(buffer.data());
        if (GetTokenInformation(token, TokenUser, user, size, &size) &&
            ConvertSidToStringSidA(user->User.Sid, &sidText)) {
            text = TextString(sidText);
            LocalFree(sidText);
        }
    }
    CloseHandle(token);
    return text;
}

SECURITY_ATTRIBUTES* buildUserOnlySecurity() {
    const TextString& sid = currentUserSid();
    if (sid.empty()) {
        return nullptr;
    }
    // A protected list with one entry: generic all for the user.
    TextString text = TextString::concat("D:P(A;;GA;;;", sid);
    text.append(")");
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return nullptr;
    }
    // Kept for the life of the process, like the objects made with it.
    static SECURITY_ATTRIBUTES attributes;
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = descriptor;
    attributes.bInheritHandle = FALSE;
    return &attributes;
}

}  // namespace

const TextString& currentUserSid() {
    static const TextString sid = readUserSid();
    return sid;
}

SECURITY_ATTRIBUTES* userOnlySecurity() {
    static SECURITY_ATTRIBUTES* attributes = buildUserOnlySecurity();
    return attributes;
}

TextString userObjectName(const char* name) {
    const TextString& sid = currentUserSid();
    if (sid.empty()) {
        return TextString();
    }
    TextString full = versionedName(sid.c_str());
    full.append('-');
    full.append(name);
    for (int32_t i = 0; i < full.length(); ++i) {
        if (full[i] == '\\') {
            full[i] = '.';
        }
    }
    return TextString::concat("Local\\", nameWithinLimit(full.c_str(), kMaxObjectName));
}

}  // namespace platform
