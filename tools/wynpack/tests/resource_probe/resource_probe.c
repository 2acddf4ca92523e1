/* A small Windows program that reports its own resources the way the launcher and the system
 * load them: the icon groups named on the command line (LoadImage), bitmap 100 (LoadBitmap),
 * raw data 100 (FindResource), the version information (GetFileVersionInfo), the manifest,
 * string 1 of the string table, and its subsystem. Icons are loaded at the system's icon size
 * and reported with the number of images their group holds. The packer's tests use it as the stub they
 * pack, then run the packed program under Wine and compare its report with what they packed.
 * One "key=value" line per fact; "missing" when the resource is not there. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static void reportIcon(HMODULE self, int id) {
    HICON icon = (HICON)LoadImageA(self, MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
    ICONINFO info;
    BITMAP colour;
    if (icon == NULL || !GetIconInfo(icon, &info)) {
        printf("icon%d=missing\n", id);
        return;
    }
    HRSRC group = FindResourceA(self, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));
    const WORD* directory = group != NULL ? (const WORD*)LockResource(LoadResource(self, group)) : NULL;
    GetObjectA(info.hbmColor != NULL ? info.hbmColor : info.hbmMask, sizeof(colour), &colour);
    printf("icon%d=%ldx%ld of %d images\n", id, colour.bmWidth, colour.bmHeight,
           directory != NULL ? directory[2] : 0);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
}

static void reportBitmap(HMODULE self) {
    HBITMAP bitmap = LoadBitmapA(self, MAKEINTRESOURCEA(100));
    BITMAP info;
    if (bitmap == NULL || GetObjectA(bitmap, sizeof(info), &info) == 0) {
        printf("bitmap100=missing\n");
        return;
    }
    printf("bitmap100=%ldx%ld\n", info.bmWidth, info.bmHeight);
    DeleteObject(bitmap);
}

static void reportRawData(HMODULE self) {
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(10));
    HGLOBAL loaded = found != NULL ? LoadResource(self, found) : NULL;
    const unsigned char* bytes = loaded != NULL ? (const unsigned char*)LockResource(loaded) : NULL;
    DWORD size = found != NULL ? SizeofResource(self, found) : 0;
    unsigned long sum = 0;
    if (bytes == NULL) {
        printf("rawdata100=missing\n");
        return;
    }
    for (DWORD i = 0; i < size; ++i) {
        sum = (sum * 31 + bytes[i]) & 0xFFFFFFFFul;
    }
    printf("rawdata100=%lu bytes, hash %08lx\n", (unsigned long)size, sum);
}

static void reportVersion(const char* path) {
    static const char* const names[] = {"CompanyName",    "FileDescription",  "FileVersion",
                                        "InternalName",   "LegalCopyright",   "OriginalFilename",
                                        "ProductName",    "ProductVersion",   "LauncherVersion"};
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    char* data = size != 0 ? (char*)malloc(size) : NULL;
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    if (data == NULL || !GetFileVersionInfoA(path, 0, size, data) ||
        !VerQueryValueA(data, "\\", (void**)&fixed, &length)) {
        printf("version=missing\n");
        free(data);
        return;
    }
    printf("version.numbers=%lu.%lu.%lu.%lu/%lu.%lu.%lu.%lu\n", fixed->dwFileVersionMS >> 16,
           fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16,
           fixed->dwFileVersionLS & 0xFFFF, fixed->dwProductVersionMS >> 16,
           fixed->dwProductVersionMS & 0xFFFF, fixed->dwProductVersionLS >> 16,
           fixed->dwProductVersionLS & 0xFFFF);
    for (size_t i = 0; i < sizeof(names) / sizeof(names[0]); ++i) {
        char query[64];
        WCHAR* value = NULL;
        char utf8[512];
        snprintf(query, sizeof(query), "\\StringFileInfo\\040904B0\\%s", names[i]);
        WCHAR wideQuery[64];
        MultiByteToWideChar(CP_ACP, 0, query, -1, wideQuery, 64);
        if (VerQueryValueW(data, wideQuery, (void**)&value, &length) && value != NULL) {
            WideCharToMultiByte(CP_UTF8, 0, value, -1, utf8, sizeof(utf8), NULL, NULL);
            printf("version.%s=%s\n", names[i], utf8);
        }
    }
    free(data);
}

static void reportManifest(HMODULE self) {
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    HGLOBAL loaded = found != NULL ? LoadResource(self, found) : NULL;
    const char* text = loaded != NULL ? (const char*)LockResource(loaded) : NULL;
    if (text == NULL) {
        printf("manifest=missing\n");
        return;
    }
    printf("manifest=");
    for (DWORD i = 0; i < SizeofResource(self, found); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            putchar(text[i]);
        }
    }
    putchar('\n');
}

int main(int argc, char** argv) {
    HMODULE self = GetModuleHandleA(NULL);
    char path[MAX_PATH];
    char text[256];
    const IMAGE_NT_HEADERS* headers =
        (const IMAGE_NT_HEADERS*)((const char*)self + ((const IMAGE_DOS_HEADER*)self)->e_lfanew);
    GetModuleFileNameA(NULL, path, sizeof(path));
    printf("subsystem=%s\n", headers->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI
                                 ? "console"
                                 : "gui");
    reportIcon(self, 1);
    for (int i = 1; i < argc; ++i) {
        reportIcon(self, atoi(argv[i]));
    }
    reportBitmap(self);
    reportRawData(self);
    reportVersion(path);
    reportManifest(self);
    if (LoadStringA(self, 1, text, sizeof(text)) > 0) {
        printf("string1=%s\n", text);
    } else {
        printf("string1=missing\n");
    }
    fflush(stdout);
    return 7;
}
