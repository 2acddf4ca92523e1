// A program linked the build machine's way, with the shared C++ runtime: the program check
// must refuse it, as users' systems need not have that runtime.
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    std::string name = argc > 0 ? argv[0] : "probe";
    std::cout << name.size() << '\n';
    return 0;
}
