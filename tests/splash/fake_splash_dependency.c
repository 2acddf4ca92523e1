/* The library that the fake splash library needs beside it (Windows): it is found only once
   its directory is on PATH. */
__declspec(dllexport) int fakeSplashDependency(void) {
    return 1;
}
