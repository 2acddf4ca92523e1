/* The x86 tree's execution probe: a 32-bit Windows console program that shares no code with
 * the launcher, so that the answer "this machine runs 32-bit Windows code" does not depend on
 * the product being sound. tests/harness/x86-probe.sh runs it under wine64 before every test of
 * the tree that executes x86 code. */
#include <stdio.h>

int main(void) {
  puts("wyn-x86-probe: 32-bit code runs");
  return 0;
}
