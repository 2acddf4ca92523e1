// Choosing a runtime library within one source, by version when bounds are set.
#include "runtime/runtime_selection.h"

#include "base/trace.h"
#include "runtime/runtime_version.h"
#include "runtime/version_check.h"

RuntimeSelection::RuntimeSelection(TextView minjre, TextView maxjre)
    : minjre_(minjre), maxjre_(maxjre) {}

bool RuntimeSelection::offer(const TextString& library, TextView recordVersion) {
    // Without bounds the version only serves the trace.
    TextString version;
    if (boundsSet() || traceEnabled()) {
        version = declaredRuntimeVersion(library);
    }
    if (version.empty()) {
        version = TextString(recordVersion);
    }
    const char* shown = version.empty() ? "unknown" : version.c_str();
    if (!boundsSet()) {
        trace("runtime %s: version %s, taken", library.c_str(), shown);
        fitting_ = library;
        return true;
    }
    if (version.empty()) {
        if (unversioned_.empty()) {
            unversioned_ = library;
        }
        trace("runtime %s: version unknown, kept in case no known version fits", library.c_str());
        return false;
    }
    if (versionBelow(version, minjre_)) {
        trace("runtime %s: version %s, skipped: below minjre", library.c_str(), shown);
        if (closestBelow_.empty() || compareVersions(version, closestBelow_) > 0) {
            closestBelow_ = version;
        }
        return false;
    }
    if (versionAbove(version, maxjre_)) {
        trace("runtime %s: version %s, skipped: above maxjre", library.c_str(), shown);
        if (closestAbove_.empty() || compareVersions(version, closestAbove_) < 0) {
            closestAbove_ = version;
        }
        return false;
    }
    if (fitting_.empty() || compareVersions(version, fittingVersion_) > 0) {
        trace("runtime %s: version %s, fits: highest so far", library.c_str(), shown);
        fitting_ = library;
        fittingVersion_ = version;
    } else {
        trace("runtime %s: version %s, fits: not the highest", library.c_str(), shown);
    }
    return false;
}

bool RuntimeSelection::offerPreferred(const TextString& library) {
    if (offer(library, TextView())) {
        return true;
    }
    preferredTaken_ = fitting_ == library.c_str();
    return preferredTaken_;
}

bool RuntimeSelection::endSource(TextString& chosen) {
    chosen = !fitting_.empty() ? fitting_ : unversioned_;
    if (!fitting_.empty() && preferredTaken_) {
        trace("runtime %s taken: the system's default, its version %s fits", fitting_.c_str(),
              fittingVersion_.c_str());
    } else if (!fitting_.empty() && boundsSet()) {
        trace("runtime %s taken: highest fitting version %s", fitting_.c_str(),
              fittingVersion_.c_str());
    } else if (fitting_.empty() && !unversioned_.empty()) {
        trace("runtime %s taken: no known version fits, its own is checked once it runs",
              unversioned_.c_str());
    }
    fitting_ = TextString();
    fittingVersion_ = TextString();
    unversioned_ = TextString();
    preferredTaken_ = false;
    return !chosen.empty();
}

const TextString& RuntimeSelection::closestSkippedVersion() const {
    return !closestAbove_.empty() ? closestAbove_ : closestBelow_;
}
