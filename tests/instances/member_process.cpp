// The parts of MemberProcess that are the same on every platform.
#include "instances/member_process.h"

std::string lineValue(const std::string& line, const std::string& key) {
    std::string marker = key + "=";
    size_t at = 0;
    while ((at = line.find(marker, at)) != std::string::npos) {
        if (at == 0 || line[at - 1] == ' ') {
            size_t start = at + marker.size();
            size_t end = line.find(' ', start);
            return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
        }
        at += marker.size();
    }
    return "<missing>";
}
