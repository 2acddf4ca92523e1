// A Linux stub carries no resources: no splash bitmap and no embedded splash image. The
// runtime's splash library shows the file named by the `splash` key instead.
#include "platform/resources.h"

namespace platform {

void* loadSplashBitmap() {
    return nullptr;
}

bool findSplashImageData(const void*&, int32_t&) {
    return false;
}

}  // namespace platform
