// The process entry of the launcher; everything happens in the start-up sequence.
#include "launcher/startup.h"

int main(int argc, char** argv) {
    return runStartup(argc, argv);
}
