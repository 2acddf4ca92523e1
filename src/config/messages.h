// The numbered messages that the launcher shows to the user, and the one way of showing them.
//
// The texts come from the executable's string table (see src/resources/default_messages.h),
// each replaceable by a `message` line of the configuration (see message_overrides.h). The
// overrides are read once, on the first getMessage after the store has been published in
// activeConfig, and kept for the process.
//
// Platforms: Windows loads the string table of the executable and shows a message box;
// Linux carries the same texts compiled in and writes "caption: text" to standard error.
#pragma once

#include "base/text.h"

constexpr int kMessageRuntimeNotFound = 1;
constexpr int kMessageRuntimeNotValid = 2;
constexpr int kMessageVmInitializeFailed = 3;
constexpr int kMessageVmStartFailed = 4;
constexpr int kMessageVersionUnknown = 5;
constexpr int kMessageVersionTooLow = 6;
constexpr int kMessageMainClassNotFound = 7;
constexpr int kMessageMainMethodMissing = 8;
constexpr int kMessageCaption = 10;
constexpr int kMessageVersionTooHigh = 12;
constexpr int kMessageAlreadyRunning = 13;
constexpr int kMessagePathWithoutAnsiForm = 14;
constexpr int kMessageProgramDamaged = 15;
constexpr int kMessageOpenDownloadPage = 16;
constexpr int kMessageRuntimeCacheFailed = 17;

// The text of message id in ANSI: its override, else its string table entry, else empty.
TextString getMessage(int id);

// Whether a `message` line replaces message id.
[[nodiscard]] bool messageOverridden(int id);

// Fills the placeholders of a message text (messages 6 and 12): each "%s" takes, in order,
// version, minjre, maxjre, and then empty texts; "%%" gives "%". Every other '%' is copied as
// it is: an override comes from configuration and is never used as a printf format.
TextString formatMessage(TextView text, TextView version, TextView minjre, TextView maxjre);

// Shows text with the caption of message 10, owned by owner (the native splash window, or
// null). Windows: a warning message box on top; Linux: one line on standard error.
void showMessage(TextView text, void* owner);

// Shows text like showMessage, followed in the box by lines already written on standard error
// (see platform/ui.h), which standard error does not get twice.
void showMessageAfterOutput(TextView text, TextView printed, void* owner);

// Shows text like showMessage and offers to open url, a web address (see isWebAddress), in
// the user's browser; the question is message 16. Windows: Yes and No buttons; Linux: the
// address is printed, and opened when a display is present.
void showMessageOfferingPage(TextView text, void* owner, TextView url);

// True when url is an http or https address (scheme in any letter case) made only of the
// printable ASCII characters an address may hold: nothing that could end a quoted argument or
// start another command (blanks, quotes, angle brackets, backslashes, '|', '^', '`', braces)
// reaches the program that opens it.
[[nodiscard]] bool isWebAddress(TextView url);

// Message 14 for a path that has no ANSI form (see platform/files.h), in UTF-8: its text with
// the first "%s" filled by the exact path (UTF-8) and "%%" giving "%"; shown with
// showMessageUtf8, so that the path appears as it is.
TextString pathWithoutAnsiFormMessage(TextView exactPath);
// Message 17 for a runtime carried inside the program that cannot be unpacked into the cache,
// in UTF-8: its text with the first "%s" filled by the cache's path (UTF-8) and the second by
// the reason; shown with showMessageUtf8.
TextString runtimeCacheFailureMessage(TextView place, TextView reason);
// showMessage for a UTF-8 text (Windows: a wide message box).
void showMessageUtf8(TextView text, void* owner);
