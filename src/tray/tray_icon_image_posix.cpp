#include "tray/tray_icon_image.h"

void* loadTrayIconImage(int) {
    return nullptr;
}
