// The X display around a Wine test program, reached from inside it: commands run on the host
// (xdotool, xwininfo, ImageMagick) through Wine's start of Unix programs, with their output
// and exit status passed back through files.
#pragma once

#include <string>
#include <vector>

// Runs a shell command on the host and returns its standard output; waits at most 20 s.
// Single quotes only: the command goes inside double quotes.
std::string runOnHost(const std::string& command);

// A window of the XEmbed tray: one docked icon, in screen coordinates.
struct DockedIcon {
    std::string window;  // the X window id; the tray moves icons as others come and go
    int x, y, width, height;
};
// The icons docked in the tray now (Wine's icon windows, which explorer.exe owns).
std::vector<DockedIcon> dockedIcons();
// Waits up to 30 s until exactly count icons are docked.
std::vector<DockedIcon> awaitDockedIcons(size_t count);
// Where the icon of this X window is docked now (width 0 when it is not).
DockedIcon dockedWindow(const std::string& window);

// The colour of one screen pixel as "#RRGGBB".
std::string pixelAt(int x, int y);
// Saves the screen as a PNG file (a Windows path of this program's file system).
bool saveScreenshot(const std::string& path);
// The host path of a path of the Wine program ("Z:\a\b" -> "/a/b").
std::string hostPath(const std::string& path);
