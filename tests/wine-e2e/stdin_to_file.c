/* A command for the redirection tests: copies its standard input to <file>.part and, once
   the input has ended, renames it to <file>, so that the file appears only complete. */
#include <windows.h>

#include <stdio.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    char part[MAX_PATH];
    snprintf(part, sizeof(part), "%s.part", argv[1]);
    HANDLE out = CreateFileA(part, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (out == INVALID_HANDLE_VALUE) {
        return 3;
    }
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(in, buffer, sizeof(buffer), &got, NULL) && got > 0) {
        DWORD written = 0;
        WriteFile(out, buffer, got, &written, NULL);
    }
    CloseHandle(out);
    return MoveFileExA(part, argv[1], MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
