// Service provider files of several jars, merged into one (see service_files.h).
#include "service_files.h"

#include <unordered_set>

namespace wynpack {

namespace {

constexpr std::string_view kServices = "META-INF/services/";

std::string_view trimmed(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

bool isServiceFile(std::string_view name) {
    return name.size() > kServices.size() && name.substr(0, kServices.size()) == kServices &&
           name.find('/', kServices.size()) == std::string_view::npos;
}

std::string mergeServiceFiles(const std::vector<std::string>& files) {
    std::string merged;
    std::unordered_set<std::string> seen;
    for (const std::string& file : files) {
        std::string_view rest = file;
        while (!rest.empty()) {
            size_t end = rest.find_first_of("\r\n");
            std::string_view line = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            std::string_view provider = trimmed(line.substr(0, line.find('#')));
            if (!provider.empty() && seen.emplace(provider).second) {
                merged.append(provider);
                merged += '\n';
            }
        }
    }
    return merged;
}

}  // namespace wynpack
