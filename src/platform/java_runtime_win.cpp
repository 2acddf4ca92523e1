// The layout of a Java runtime on Windows, and the runtime of the java.exe on PATH.
#include <windows.h>

#include <cstring>

#include "platform/env.h"
#include "platform/files.h"
#include "platform/java_runtime.h"

namespace platform {

const char* const kJvmLibraryName = "jvm.dll";
const char* const kSplashLibraryName = "splashscreen.dll";
const char* const kJvmLibrarySubPaths[] = {"", "bin\\", "jre\\bin\\", "..\\jre\\bin\\", nullptr};
const char* const kJavaLauncherSubPath = "bin\\java.exe";
const char kClassPathSeparator = ';';
const char kClassPathLineSeparators[] = ";";
const char kDefaultRuntimeOrder[] = "cbrsie";
#ifdef _WIN64
const char kRuntimePlatform[] = "windows-x86_64";
#else
const char kRuntimePlatform[] = "windows-x86";
#endif
const char kSystemRuntimePlaces[] =
    "the Java installations in the registry and the java.exe on PATH";

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// Cuts the last path component and the separators before it.
void dropLastComponent(TextString& path) {
    int32_t i = path.length();
    while (i > 0 && !isSeparator(path[i - 1])) {
        --i;
    }
    while (i > 1 && isSeparator(path[i - 1])) {
        --i;
    }
    path.resize(i);
}

// The first java.exe in the directories of PATH; entries may be quoted, empty ones are
// passed over.
TextString javaOnPath() {
    const char* path = getEnv("PATH");
    if (path == nullptr) {
        return TextString();
    }
    for (const char* start = path; *start != '\0';) {
        const char* end = start;
        while (*end != '\0' && *end != ';') {
            ++end;
        }
        TextString directory;
        for (const char* p = start; p < end; ++p) {
            if (*p != '"') {
                directory.append(*p);
            }
        }
        if (!directory.empty()) {
            if (!isSeparator(directory[directory.length() - 1])) {
                directory.append('\\');
            }
            directory.append("java.exe");
            if (canRead(directory.c_str())) {
                return directory;
            }
        }
        start = *end == '\0' ? end : end + 1;
    }
    return TextString();
}

// The file a path finally names, links followed (an installer's javapath directory holds
// links into the runtime); the path itself when that cannot be told.
TextString finalPath(const TextString& path) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return path;
    }
    char buffer[MAX_PATH + 8];
    DWORD length = GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (length == 0 || length >= sizeof buffer) {
        return path;
    }
    TextString resolved(buffer, static_cast<int32_t>(length));
    if (resolved.length() > 4 && resolved[0] == '\\' && resolved[1] == '\\' && resolved[2] == '?' &&
        resolved[3] == '\\') {
        resolved = resolved.tail(4);
        if (resolved.length() > 4 && std::strncmp(resolved.c_str(), "UNC\\", 4) == 0) {
            resolved = TextString::concat("\\\\", resolved.tail(4));
        }
    }
    return resolved;
}

}  // namespace

void setJvmDirectoryForTests(const char*) {}

int32_t systemRuntimeHomes(StringList& homes) {
    TextString java = javaOnPath();
    if (java.empty()) {
        return 0;
    }
    // <home>\bin\java.exe: the home is two components up.
    TextString home = finalPath(java);
    dropLastComponent(home);
    dropLastComponent(home);
    if (!home.empty()) {
        homes.addString(home);
    }
    // The installation records come first and are compared by version: none is preferred.
    return 0;
}

}  // namespace platform
