/* The launcher's version: in the trace file's header, the system property wyn.version and
   the Windows version information (whose LauncherVersion string the packer carries into
   packed programs, and falls back to when a stub lacks it). Only #define lines, so that the
   resource script can include it. */
#pragma once

#define WYN_VERSION_NUMBERS 0, 1, 0, 0
#define WYN_VERSION_TEXT "0.1.0"
