// The error message box.
//
// Windows: MessageBoxA with MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST (0x50030),
// owned by the given window (the native splash) or by none; a console program (console
// subsystem) also writes "caption: text" to standard error. Linux: the caption, ": " and the
// text as one line on standard error.
#pragma once

namespace platform {

void showErrorBox(void* owner, const char* text, const char* caption);
// The box for a text followed by lines the program has already written on standard error
// (the runtime's own reason for a failed start): the box shows them below the text after a
// blank line; what goes to standard error (Linux, a Windows console program) is the text
// alone, so that the lines appear there once.
void showErrorBoxAfterOutput(void* owner, const char* text, const char* printed,
                             const char* caption);
// The same box for UTF-8 texts (Windows: MessageBoxW; Linux: the bytes as they are).
void showErrorBoxUtf8(void* owner, const char* text, const char* caption);

// The error box with question below the text, offering to open url (a web address the caller
// has checked). Windows: Yes and No buttons, and Yes opens url with ShellExecuteA, with COM
// initialised (apartment-threaded) around the call for browsers that the shell reaches
// through COM (DelegateExecute). Linux: the
// line of showErrorBox, then "Download page: <url>" on standard error; xdg-open is started for
// url (its output to /dev/null) when DISPLAY or WAYLAND_DISPLAY is set.
void showErrorBoxOfferingUrl(void* owner, const char* text, const char* question,
                             const char* caption, const char* url);

// Loads the common controls (InitCommonControlsEx with no classes); nothing on Linux.
void initCommonControls();

// Gives the process an explicit AppUserModelID (UTF-8), the identity under which the taskbar
// groups and pins its windows; true when the system took it. Windows 7 and later
// (SetCurrentProcessExplicitAppUserModelID); must come before the first window. Linux: there is
// no such identity, false.
[[nodiscard]] bool setTaskbarIdentity(const char* utf8Id);

}  // namespace platform
