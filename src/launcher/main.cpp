// The process entry of the launcher.
#include <clocale>

int main(int, char**) {
    std::setlocale(LC_ALL, "");
    return 0;
}
