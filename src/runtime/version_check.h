// The runtime's version against the configured bounds `minjre` and `maxjre`.
//
// A version text is read as up to four integers separated by runs of non-digits
// ("1.6.0_20" -> 1, 6, 0, 20). Only the components both texts have are compared, so a bound
// of 1.6 admits every 1.6 update, and a text without digits passes both tests.
// Runtimes found by the locator are ordered by compareVersions, which compares all four
// components (missing ones count as 0). Same on every platform.
#pragma once

#include "base/text.h"

struct VersionComponents {
    int values[4] = {0, 0, 0, 0};
    int count = 0;
};

[[nodiscard]] VersionComponents parseVersion(TextView text);

// True when version's shared components are lexicographically below / above the bound's.
[[nodiscard]] bool versionBelow(TextView version, TextView lowerBound);
[[nodiscard]] bool versionAbove(TextView version, TextView upperBound);
// Negative, 0 or positive as version a is older than, equal to or newer than b.
[[nodiscard]] int compareVersions(TextView a, TextView b);
