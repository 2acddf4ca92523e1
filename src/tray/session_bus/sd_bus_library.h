// The session bus client of the Linux tray: the sd-bus functions of libsystemd, looked up at
// run time, so that the launcher starts on a system without libsystemd (the tray then shows
// nothing). The declarations come from libsystemd's own header, so the function types are
// exactly the library's. Linux only: included by the tray's _posix files alone.
#pragma once

#include <systemd/sd-bus.h>

#include "base/text.h"

struct SdBusLibrary {
#define WYN_SD_BUS_FUNCTION(name) decltype(&::name) name = nullptr;
#include "tray/session_bus/sd_bus_functions.inc"
#undef WYN_SD_BUS_FUNCTION
};

// The library with every function found, loaded on the first call; null when it cannot be
// loaded or lacks a function, and why is in reason.
const SdBusLibrary* sdBusLibrary(TextString& reason);
