// Granting the class path native access on runtimes that warn without it.
#include "runtime/native_access.h"

#include <cstring>

#include "base/trace.h"
#include "runtime/runtime_version.h"
#include "runtime/version_check.h"

namespace {

// From this release the runtime warns about restricted methods called without native access.
constexpr int kFirstWarningRelease = 24;

const char kNativeAccessOption[] = "--enable-native-access";

bool decidesNativeAccess(const char* option) {
    size_t length = sizeof kNativeAccessOption - 1;
    return std::strncmp(option, kNativeAccessOption, length) == 0 &&
           (option[length] == '\0' || option[length] == '=');
}

}  // namespace

StringList nativeAccessOptions(TextView runtimeLibrary, const StringList& vmOptions) {
    StringList options;
    for (int32_t i = 0; i < vmOptions.count(); ++i) {
        if (decidesNativeAccess(vmOptions.stringAt(i))) {
            trace("native access: the options decide it (%s), left to them", vmOptions.stringAt(i));
            return options;
        }
    }
    TextString version = declaredRuntimeVersion(runtimeLibrary);
    int release = parseVersion(version).values[0];
    if (release < kFirstWarningRelease) {
        trace("native access: runtime release %s does not restrict it, no option",
              version.empty() ? "unknown" : version.c_str());
        return options;
    }
    trace("native access: runtime release %s, granted to the class path", version.c_str());
    options.addString(TextString::concat(TextView(kNativeAccessOption), TextView("=ALL-UNNAMED")));
    return options;
}
