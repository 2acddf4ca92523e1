// Scratch files, input parts and property failures for the fuzz harnesses.
#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

const std::string& scratchDirectory() {
    static const std::string directory = [] {
        const char* given = std::getenv("WYN_FUZZ_SCRATCH");
        std::string base = given != nullptr && *given != '\0' ? given : "/tmp";
        std::string pattern = base + "/wyn-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            fail("cannot create the scratch directory");
        }
        return pattern;
    }();
    return directory;
}

void writeFile(const std::string& path, std::string_view bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fclose(file) != 0) {
        fail("cannot write a scratch file");
    }
}

std::string_view InputParts::next() {
    static constexpr std::string_view separator = "\n--\n";
    if (done_) {
        return {};
    }
    size_t at = rest_.find(separator);
    std::string_view part = rest_.substr(0, at);
    if (at == std::string_view::npos) {
        done_ = true;
        rest_ = {};
    } else {
        rest_.remove_prefix(at + separator.size());
    }
    return part;
}

void fail(const char* what) {
    std::fprintf(stderr, "fuzz property failed: %s\n", what);
    std::abort();
}

}  // namespace fuzz
