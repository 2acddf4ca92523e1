// The argument builder with wildcard expansion. The input's first byte picks the mode (none,
// unquoted wildcards, all wildcards); the rest is the arguments, separated by NUL bytes. The
// harness works in a small directory tree of its own (names with '*', '?', blanks and quotes
// among them), and skips arguments that could leave it (absolute paths, "..").
//
// On Linux the builder rebuilds a command line from argv and splits it again: arguments
// without wildcards must come back exactly as given, and every argument that changed must
// have become names that exist.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "args_output/argument_list.h"
#include "fuzz_support.h"
#include "platform/files.h"

namespace {

void makeTree(const std::string& root) {
    for (const char* directory : {"", "/dir", "/dir/sub", "/dir*", "/two words"}) {
        mkdir((root + directory).c_str(), 0700);
    }
    for (const char* file : {"/a.txt", "/b.java", "/dir/x.txt", "/dir/we*ird?", "/dir/sub/q\"uote",
                             "/dir*/star", "/two words/c d.txt", "/back\\slash"}) {
        fuzz::writeFile(root + file, "x");
    }
}

bool staysInside(const std::string& argument) {
    return argument.empty() ||
           (argument[0] != '/' && argument[0] != '\\' && argument.find("..") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string root = fuzz::scratchDirectory() + "/tree";
    makeTree(root);
    if (chdir(root.c_str()) != 0) {
        fuzz::fail("cannot enter the directory tree");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    int mode = data[0] % 3;
    std::vector<std::string> arguments{"program"};
    std::string current;
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == '\0') {
            arguments.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    arguments.push_back(current);
    bool anyWildcard = false;
    for (const std::string& argument : arguments) {
        if (!staysInside(argument)) {
            return 0;
        }
        anyWildcard = anyWildcard || argument.find_first_of("*?") != std::string::npos;
    }

    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    buildArgumentList(static_cast<int>(arguments.size()), argv.data(), mode);
    ItemArray<char*> vector;
    int count = toArgumentVector(vector);
    if (count != vector.length() || count != argumentList().count()) {
        fuzz::fail("vector and list disagree");
    }

    if (mode == 0 || !anyWildcard) {
        if (count != static_cast<int>(arguments.size())) {
            fuzz::fail("arguments without expansion changed in number");
        }
        for (int i = 0; i < count; ++i) {
            if (arguments[i] != vector[i]) {
                fuzz::fail("an argument without expansion changed");
            }
        }
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        bool given = false;
        for (const std::string& argument : arguments) {
            given = given || argument == vector[i];
        }
        if (!given && !platform::exists(vector[i])) {
            fuzz::fail("an expanded argument names nothing");
        }
    }
    return 0;
}
