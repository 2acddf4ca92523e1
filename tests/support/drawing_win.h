// Whether this Windows process can draw: create device contexts and device-dependent bitmaps.
// Under Wine 8.0's WoW64 mode (32-bit programs in wine64) it cannot: CreateCompatibleDC and
// CreateCompatibleBitmap return null, so no bitmap resource loads and no splash window can be
// made. Tests that need drawing skip there with that reason; everything else still runs.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

inline bool processCanDraw() {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) {
        return false;
    }
    DeleteDC(dc);
    return true;
}

constexpr char kNoDrawingReason[] =
    "this Wine cannot draw for this program (CreateCompatibleDC fails, as in wine64's WoW64 "
    "mode for 32-bit programs): no bitmap, splash window or screenshot";

// Skips the running test (from its body or its fixture's SetUp) when the process cannot draw.
#define WYN_SKIP_WITHOUT_DRAWING()            \
    do {                                      \
        if (!processCanDraw()) {              \
            GTEST_SKIP() << kNoDrawingReason; \
        }                                     \
    } while (false)
