/* A stand-in for the Java runtime's splash library that records the calls it gets, so that
   tests can see which entry points the launcher called, in which order, with which image.
   Built in variants: FAKE_WITH_INIT, FAKE_WITH_LOAD_FILE, FAKE_WITH_LOAD_MEMORY and
   FAKE_WITH_JAR_NAME (SplashSetFileJarName) select the entry points it has; FAKE_WITH_DEPENDENCY makes it need a second library beside it.
   FAKE_DECLINES makes both loading functions answer 0, as the runtime's library does without
   a display or for an image it cannot decode. */
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#define FAKE_EXPORT __declspec(dllexport)
#else
#define FAKE_EXPORT __attribute__((visibility("default")))
#endif

#ifdef FAKE_WITH_DEPENDENCY
#ifdef _WIN32
__declspec(dllimport)
#endif
    int fakeSplashDependency(void);
#endif

#ifdef FAKE_DECLINES
#define LOAD_ANSWER 0
#else
#define LOAD_ANSWER 1
#endif

static char callLog[4096];

static void record(const char* entry) {
    size_t used = strlen(callLog);
    snprintf(callLog + used, sizeof(callLog) - used, "%s;", entry);
}

FAKE_EXPORT const char* fakeSplashLog(void) {
    return callLog;
}

#ifdef FAKE_WITH_INIT
FAKE_EXPORT void SplashInit(void) {
#ifdef FAKE_WITH_DEPENDENCY
    fakeSplashDependency();
#endif
    record("init");
}
#endif

#ifdef FAKE_WITH_LOAD_FILE
FAKE_EXPORT int SplashLoadFile(const char* path) {
    char entry[1024];
    snprintf(entry, sizeof(entry), "file:%s", path);
    record(entry);
    return LOAD_ANSWER;
}
#endif

#ifdef FAKE_WITH_LOAD_MEMORY
FAKE_EXPORT int SplashLoadMemory(void* data, int size) {
    char entry[128];
    int shown = size < 16 ? size : 16;
    snprintf(entry, sizeof(entry), "memory:%d:%.*s", size, shown, (const char*)data);
    record(entry);
    return LOAD_ANSWER;
}
#endif

#ifdef FAKE_WITH_JAR_NAME
FAKE_EXPORT void SplashSetFileJarName(const char* fileName, const char* jarName) {
    char entry[1024];
    snprintf(entry, sizeof(entry), "jar:%s|%s", fileName != NULL ? fileName : "(null)",
             jarName != NULL ? jarName : "(null)");
    record(entry);
}
#endif
