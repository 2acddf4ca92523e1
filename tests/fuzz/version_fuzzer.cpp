// Version parsing and the bounds test. The input is a version and a bound separated by
// "\n--\n". Below and above are mirror images of each other, never both true, and a
// version equal to its bound is neither.
#include <cstdint>

#include "fuzz_support.h"
#include "runtime/version_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputParts parts(data, size);
    std::string_view first = parts.next();
    std::string_view second = parts.next();
    if (first.size() > INT32_MAX || second.size() > INT32_MAX) {
        return 0;
    }
    TextView version(first.data(), static_cast<int32_t>(first.size()));
    TextView bound(second.data(), static_cast<int32_t>(second.size()));

    VersionComponents parsed = parseVersion(version);
    if (parsed.count < 0 || parsed.count > 4) {
        fuzz::fail("component count out of range");
    }
    bool below = versionBelow(version, bound);
    bool above = versionAbove(version, bound);
    if (below && above) {
        fuzz::fail("a version both below and above a bound");
    }
    if (below != versionAbove(bound, version) || above != versionBelow(bound, version)) {
        fuzz::fail("below and above are not mirror images");
    }
    if (versionBelow(version, version) || versionAbove(version, version)) {
        fuzz::fail("a version differs from itself");
    }
    return 0;
}
