// Where the splash test programs find their stand-in libraries, fixtures and screenshot
// folder: all relative to the test program's own path, so the same code works natively and
// under Wine.
#pragma once

#include <string>

// The directory of the running test program, with a trailing separator.
std::string testProgramDirectory();
// The stand-in splash library of one variant (fake-runtimes/<variant>/<library name>).
std::string fakeSplashLibrary(const char* variant);
std::string fixturePath(const char* name);
std::string screenshotPath(const char* name);

// The calls a stand-in library has recorded so far; it must be loaded already.
std::string fakeSplashLog(const std::string& libraryPath);
