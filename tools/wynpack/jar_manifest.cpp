// The main attributes of a jar's manifest (see jar_manifest.h).
#include "jar_manifest.h"

#include "ascii_text.h"

namespace wynpack {

std::string manifestMainAttribute(std::string_view manifest, std::string_view name) {
    std::string found;
    bool inFound = false;
    while (!manifest.empty()) {
        size_t end = manifest.find_first_of("\r\n");
        std::string_view line = manifest.substr(0, end);
        size_t next = end == std::string_view::npos ? manifest.size() : end + 1;
        if (end != std::string_view::npos && manifest[end] == '\r' && next < manifest.size() &&
            manifest[next] == '\n') {
            ++next;
        }
        manifest = manifest.substr(next);
        if (line.empty()) {
            break;  // the end of the main section
        }
        if (line[0] == ' ') {
            if (inFound) {
                found.append(line.substr(1));
            }
            continue;
        }
        if (inFound) {
            break;
        }
        size_t colon = line.find(": ");
        if (colon != std::string_view::npos &&
            equalsIgnoringAsciiCase(line.substr(0, colon), name)) {
            found = std::string(line.substr(colon + 2));
            inFound = true;
        }
    }
    return found;
}

}  // namespace wynpack
