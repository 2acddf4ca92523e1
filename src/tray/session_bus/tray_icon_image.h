// Tray icon images on Linux. The packer stores, for each `--icon ID=FILE`, one image of the
// icon file as "META-INF/wyn/tray-icons/ID.png" in the archive, uncompressed, and as a PNG
// whose image data is made of stored deflate blocks, so that the launcher, which has no
// inflater, reads its pixels as they are. Linux only: the tray's _posix files use it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tray/session_bus/tray_bus.h"

// The largest image the launcher reads (its PNG file, in bytes).
constexpr int32_t kMaxTrayIconFileSize = 1 << 20;

// The pixels of a PNG file in ARGB32, network byte order. Understood: 8-bit RGBA or RGB,
// not interlaced, image data in stored deflate blocks, any of the five row filters. False
// for anything else (a PNG compressed the usual way, a damaged or cut-off file).
bool decodeStoredPng(const uint8_t* bytes, size_t size, BusIconImage& image);

// A new BusIconImage for the id from the executable's archive, or null when it holds no
// readable image for the id.
void* loadTrayIconImage(int iconId);
