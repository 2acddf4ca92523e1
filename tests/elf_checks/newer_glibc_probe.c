/* A program linked the build machine's way that asks for a C library newer than the oldest
   supported one (arc4random came with glibc 2.36): the program check must refuse it. */
#include <stdlib.h>

int main(void) { return (int)(arc4random() & 1u); }
