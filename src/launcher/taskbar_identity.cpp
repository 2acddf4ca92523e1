// Setting the configured AppUserModelID.
#include "launcher/taskbar_identity.h"

#include "base/trace.h"
#include "config/config_store.h"
#include "platform/ui.h"

namespace {

constexpr int32_t kMostCharacters = 128;

}  // namespace

const char* taskbarIdentityProblem(TextView utf8Id) {
    if (utf8Id.length <= 0) {
        return "empty";
    }
    for (int32_t i = 0; i < utf8Id.length; ++i) {
        if (utf8Id.data[i] == ' ' || utf8Id.data[i] == '\t') {
            return "it contains a blank";
        }
    }
    if (wideFromUtf8(utf8Id.data, utf8Id.length).length() > kMostCharacters) {
        return "longer than 128 characters";
    }
    return nullptr;
}

void applyTaskbarIdentity(const ConfigStore& config) {
    TextString id = config.appUserModelId();
    if (id.empty()) {
        return;
    }
    if (const char* problem = taskbarIdentityProblem(id)) {
        trace("appusermodelid %s: not set, %s", id.c_str(), problem);
        return;
    }
    bool taken = platform::setTaskbarIdentity(id.c_str());
    trace("appusermodelid %s: %s", id.c_str(),
          taken ? "set" : "not taken (Windows 7 and later only)");
}
