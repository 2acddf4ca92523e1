// The running process on Windows.
#include <windows.h>

#include "platform/process.h"

namespace platform {

TextString rawCommandLine(int, char**) {
    return TextString(GetCommandLineA());
}

}  // namespace platform
