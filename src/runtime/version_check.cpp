// Version texts and bounds. The reading follows the scanf pattern
// "%d%[^0-9]%d%[^0-9]%d%[^0-9]%d" (a number, a run of non-digits, a number, ...), with the
// number of components being (conversions + 1) / 2, but without scanf's unbounded buffers:
// a run of non-digits of any length is skipped, and numbers too large for an int are capped.
#include "runtime/version_check.h"

#include <cctype>
#include <climits>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads an integer the way %d does (leading white space, optional sign); false without digits.
bool readInteger(const char* text, int32_t length, int32_t& pos, int& value) {
    int32_t p = pos;
    while (p < length && std::isspace(static_cast<unsigned char>(text[p]))) {
        ++p;
    }
    bool negative = false;
    if (p < length && (text[p] == '+' || text[p] == '-')) {
        negative = text[p] == '-';
        ++p;
    }
    if (p >= length || !isDigit(text[p])) {
        return false;
    }
    long long v = 0;
    while (p < length && isDigit(text[p])) {
        if (v < INT_MAX) {
            v = v * 10 + (text[p] - '0');
        }
        ++p;
    }
    if (v > INT_MAX) {
        v = INT_MAX;
    }
    value = static_cast<int>(negative ? -v : v);
    pos = p;
    return true;
}

int compareShared(const VersionComponents& a, const VersionComponents& b) {
    int shared = a.count < b.count ? a.count : b.count;
    for (int i = 0; i < shared; ++i) {
        if (a.values[i] != b.values[i]) {
            return a.values[i] < b.values[i] ? -1 : 1;
        }
    }
    return 0;
}

}  // namespace

VersionComponents parseVersion(TextView text) {
    VersionComponents result;
    int conversions = 0;
    int32_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (!readInteger(text.data, text.length, pos, result.values[i])) {
            break;
        }
        ++conversions;
        if (i == 3 || pos >= text.length || isDigit(text.data[pos])) {
            break;
        }
        while (pos < text.length && !isDigit(text.data[pos])) {
            ++pos;
        }
        ++conversions;
    }
    result.count = (conversions + 1) / 2;
    return result;
}

bool versionBelow(TextView version, TextView lowerBound) {
    VersionComponents v = parseVersion(version), bound = parseVersion(lowerBound);
    return v.count > 0 && bound.count > 0 && compareShared(v, bound) < 0;
}

bool versionAbove(TextView version, TextView upperBound) {
    VersionComponents v = parseVersion(version), bound = parseVersion(upperBound);
    return v.count > 0 && bound.count > 0 && compareShared(v, bound) > 0;
}

int compareVersions(TextView a, TextView b) {
    VersionComponents va = parseVersion(a), vb = parseVersion(b);
    for (int i = 0; i < 4; ++i) {
        if (va.values[i] != vb.values[i]) {
            return va.values[i] < vb.values[i] ? -1 : 1;
        }
    }
    return 0;
}
