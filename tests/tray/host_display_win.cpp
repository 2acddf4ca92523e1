// Host commands from inside a Wine program: Wine starts a Unix executable named by its
// Z: path as a process of the host, so a shell runs each command and writes its output and
// status into files that the test reads back.
#include "host_display.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string scratchFile(const char* suffix) {
    char directory[MAX_PATH];
    GetTempPathA(sizeof(directory), directory);
    static int counter = 0;
    return std::string(directory) + "wyn-tray-host-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter) + suffix;
}

// The host path of a Windows path, as Wine maps drive letters (the temporary directory is in
// the prefix, so the host asks winepath-free: Wine's own mapping through the Z: drive).
std::string unixPathOf(const std::string& windowsPath) {
    char full[MAX_PATH];
    GetFullPathNameA(windowsPath.c_str(), sizeof(full), full, nullptr);
    using Convert = char*(CDECL*)(LPCWSTR);
    auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) {
        return hostPath(full);
    }
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, full, -1, wide, MAX_PATH);
    char* converted = convert(wide);
    std::string result = converted != nullptr ? converted : hostPath(full);
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

}  // namespace

std::string hostPath(const std::string& path) {
    std::string result = path.size() > 2 && path[1] == ':' ? path.substr(2) : path;
    for (char& c : result) {
        if (c == '\\') {
            c = '/';
        }
    }
    return result;
}

std::string runOnHost(const std::string& command) {
    std::string output = scratchFile(".out");
    std::string done = scratchFile(".done");
    std::string line = "Z:\\bin\\sh -c \"(" + command + ") > '" + unixPathOf(output) +
                       "' 2>&1; echo $? > '" + unixPathOf(done) + ".tmp'; mv '" + unixPathOf(done) +
                       ".tmp' '" + unixPathOf(done) + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string mutableLine = line;
    if (!CreateProcessA(nullptr, &mutableLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return "<not started>";
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 400 && GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
        Sleep(50);
    }
    std::string result = readFile(output);
    DeleteFileA(output.c_str());
    DeleteFileA(done.c_str());
    return result;
}

std::vector<DockedIcon> dockedIcons() {
    // Docked icons are explorer.exe windows nested inside the tray's own windows; every other
    // explorer.exe window sits directly below the root.
    std::istringstream tree(runOnHost("xwininfo -root -tree"));
    std::vector<DockedIcon> icons;
    std::string text;
    while (std::getline(tree, text)) {
        size_t indent = text.find_first_not_of(' ');
        if (indent == std::string::npos || indent <= 9 ||
            text.find("(\"explorer.exe\"") == std::string::npos) {
            continue;
        }
        size_t geometry = text.find(")  ");
        DockedIcon icon = {};
        icon.window = text.substr(indent, text.find(' ', indent) - indent);
        int relX = 0;
        int relY = 0;
        if (geometry != std::string::npos &&
            std::sscanf(text.c_str() + geometry + 3, "%dx%d+%d+%d +%d+%d", &icon.width,
                        &icon.height, &relX, &relY, &icon.x, &icon.y) == 6 &&
            icon.width >= 8 && icon.height >= 8) {
            icons.push_back(icon);
        }
    }
    return icons;
}

std::vector<DockedIcon> awaitDockedIcons(size_t count) {
    std::vector<DockedIcon> icons = dockedIcons();
    // Docking takes the tray host a round trip through the X server, which a machine busy
    // with other suites can make slow.
    for (int i = 0; i < 120 && icons.size() != count; ++i) {
        Sleep(250);
        icons = dockedIcons();
    }
    return icons;
}

DockedIcon dockedWindow(const std::string& window) {
    for (const DockedIcon& icon : dockedIcons()) {
        if (icon.window == window) {
            return icon;
        }
    }
    return DockedIcon{window, -1, -1, 0, 0};
}

std::string pixelAt(int x, int y) {
    std::string text = runOnHost("import -window root -crop 1x1+" + std::to_string(x) + "+" +
                                 std::to_string(y) + " -depth 8 txt:- | tail -n 1");
    size_t hash = text.find('#');
    return hash == std::string::npos ? text : text.substr(hash, 7);
}

bool saveScreenshot(const std::string& path) {
    runOnHost("import -window root '" + unixPathOf(path) + "'");
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
