// Assembles the class path of a configuration and writes it to standard output, for the
// class path benchmark. The argument is an application file with its external
// configuration beside it (<file>.cfg, for example holding a `libs` line); the process does
// nothing else, so its run time is the assembly's plus a process start, like `find`'s.
#include <cstdio>

#include "config/config_store.h"
#include "runtime/class_path.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s APPLICATION-FILE\n", argv[0]);
        return 2;
    }
    ConfigStore store(false);
    store.loadFrom(argv[1]);
    activeConfig = &store;
    TextString text = classPathText();
    std::fwrite(text.c_str(), 1, static_cast<size_t>(text.length()), stdout);
    std::fputc('\n', stdout);
    activeConfig = nullptr;
    return 0;
}
