// The archive entry that `splash` may name (see splash_entry.h).
#include "splash_entry.h"

namespace wynpack {

std::string splashEntryName(std::string_view value) {
    if (value.empty() || value[0] == '/' || value[0] == '\\' ||
        (value.size() > 1 && value[1] == ':') || value.find_first_of("%$") != value.npos) {
        return std::string();
    }
    std::string name(value);
    for (char& c : name) {
        if (c == '\\') {
            c = '/';
        }
    }
    return name;
}

}  // namespace wynpack
