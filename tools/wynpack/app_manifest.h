// The application manifest that the packer writes into every Windows executable.
//
// Always: the supported-OS entries of Windows 7, 8, 8.1 and 10/11 (so that the system does
// not apply compatibility shims and reports its real version) and the dependency on version 6
// of the common controls (themed message boxes and controls). On request: per-monitor v2 DPI
// awareness with system awareness where that is not known, the administrator's rights
// (requireAdministrator instead of asInvoker), UTF-8 as the process's active code page
// (Windows 10 1903 and later) and paths longer than 260 characters (Windows 10 1607 and later,
// where the system's LongPathsEnabled setting is on).
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <string>

namespace wynpack {

struct ManifestOptions {
    bool dpiAware = false;
    bool requireAdmin = false;
    bool utf8 = false;
    bool longPaths = false;
};

std::string buildManifest(const ManifestOptions& options);

}  // namespace wynpack
