/* Starts a program with the limited token linked to this process's elevated one (what a
   user's normal start gets when User Account Control splits an administrator's rights), in
   this process's environment and directory, waits for it and exits with its exit code.
   Usage: run_limited.exe PROGRAM [ARGUMENTS] (the command line after the first word is passed
   on as it is). Exit 120 when there is no linked token, 121 when the start fails. */
#include <windows.h>

int main(void) {
    HANDLE token = NULL;
    TOKEN_LINKED_TOKEN linked = {0};
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) ||
        !GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size)) {
        return 120;
    }
    /* The command line without this program's own name. */
    wchar_t* rest = GetCommandLineW();
    int quoted = 0;
    while (*rest != L'\0' && (quoted || (*rest != L' ' && *rest != L'\t'))) {
        if (*rest == L'"') {
            quoted = !quoted;
        }
        ++rest;
    }
    while (*rest == L' ' || *rest == L'\t') {
        ++rest;
    }
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process;
    if (!CreateProcessAsUserW(linked.LinkedToken, NULL, rest, NULL, NULL, FALSE, 0, NULL, NULL,
                              &startup, &process)) {
        return 121;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 121;
    GetExitCodeProcess(process.hProcess, &code);
    return (int)code;
}
