// Tray icon images on Linux: the PNG that the packer stored in the executable's archive for
// an icon id, decoded into the pixels the StatusNotifierItem protocol carries. Linux only.
#pragma once

// A new BusIconImage for the id, or null when the executable holds no readable image for it.
void* loadTrayIconImage(int iconId);
