/* A stand-in for the runtime's splashscreen.dll that appends what it receives to the file
   named by WYN_E2E_SPLASH_LOG, one record a line:
     init / path <PATH at the time of SplashInit>
     file <path>          SplashLoadFile
     memory <size> <text up to the first line feed>   SplashLoadMemory
     jar <file> <jar>     SplashSetFileJarName ("(null)" for a null jar)
   Variants: E2E_WITH_INIT exports SplashInit; E2E_WITH_DEPENDENCY needs e2esplashdep.dll. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef E2E_WITH_DEPENDENCY
__declspec(dllimport) int e2eSplashDependency(void);
#endif

static void record(const char* what, const char* text) {
    const char* path = getenv("WYN_E2E_SPLASH_LOG");
    FILE* log;
    if (path == NULL || path[0] == '\0') {
        return;
    }
    log = fopen(path, "ab");
    if (log == NULL) {
        return;
    }
    fprintf(log, "%s%s%s\n", what, text[0] != '\0' ? " " : "", text);
    fclose(log);
}

#ifdef E2E_WITH_INIT
__declspec(dllexport) void SplashInit(void) {
    const char* path = getenv("PATH");
#ifdef E2E_WITH_DEPENDENCY
    if (e2eSplashDependency() != 7) {
        record("dependency", "wrong");
    }
#endif
    record("init", "");
    record("path", path != NULL ? path : "");
}
#endif

__declspec(dllexport) int SplashLoadFile(const char* file) {
    record("file", file != NULL ? file : "(null)");
    return 1;
}

__declspec(dllexport) void SplashSetFileJarName(const char* file, const char* jar) {
    char text[1024];
    snprintf(text, sizeof(text), "%s %s", file != NULL ? file : "(null)",
             jar != NULL ? jar : "(null)");
    record("jar", text);
}

__declspec(dllexport) int SplashLoadMemory(void* data, int size) {
    char text[160];
    char head[64];
    int n = 0;
    const char* bytes = (const char*)data;
    while (n < size && n < (int)sizeof(head) - 1 && bytes[n] != '\n') {
        head[n] = bytes[n];
        ++n;
    }
    head[n] = '\0';
    snprintf(text, sizeof(text), "%d %s", size, head);
    record("memory", text);
    return 1;
}
