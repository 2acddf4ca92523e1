// Linux has no common controls library to load.
#include "platform/ui.h"

namespace platform {

void initCommonControls() {}

}  // namespace platform
