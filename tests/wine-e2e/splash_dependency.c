/* The library that the stand-in splash library needs beside it: found only once that
   directory is on the search path. */
__declspec(dllexport) int e2eSplashDependency(void) {
    return 7;
}
