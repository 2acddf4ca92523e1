// wynpack-carry: writes a copy of the packer that carries the stubs and the support jar inside
// itself (see carried_files.h). `make` runs it when it assembles dist/, where the stubs of all
// targets are together for the first time.
//
//   wynpack-carry TOOL OUTPUT NAME=FILE [NAME=FILE ...]
//
// NAME is the file's path beside the tool in dist/ (stubs/windows-x86/wyn.exe,
// lib/wyn-support.jar). OUTPUT is written under a temporary name and renamed, mode 0755.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "carried_files.h"
#include "input_files.h"

namespace {

bool writeExecutable(const std::string& path, const std::string& bytes) {
    std::string temporary = path + ".carry-tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    ok = ok && chmod(temporary.c_str(), 0755) == 0 &&
         std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        std::remove(temporary.c_str());
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: wynpack-carry TOOL OUTPUT NAME=FILE [NAME=FILE ...]\n", stderr);
        return 2;
    }
    wynpack::Problem problem;
    std::string tool;
    if (!wynpack::readInputFile(argv[1], "tool", tool, problem)) {
        std::fprintf(stderr, "wynpack-carry: %s\n", problem.message.c_str());
        return 2;
    }
    std::vector<wynpack::CarriedFile> already;
    std::string reason;
    if (wynpack::readCarriedFiles(tool, already, reason) != wynpack::CarriedState::None) {
        std::fprintf(stderr, "wynpack-carry: '%s' already carries files\n", argv[1]);
        return 2;
    }
    std::vector<wynpack::CarriedFile> files;
    for (int i = 3; i < argc; ++i) {
        std::string argument = argv[i];
        size_t equals = argument.find('=');
        if (equals == std::string::npos || equals == 0) {
            std::fprintf(stderr, "wynpack-carry: '%s' is not NAME=FILE\n", argv[i]);
            return 2;
        }
        wynpack::CarriedFile file{argument.substr(0, equals), {}};
        if (!wynpack::readInputFile(argument.substr(equals + 1), "file", file.bytes, problem)) {
            std::fprintf(stderr, "wynpack-carry: %s\n", problem.message.c_str());
            return 2;
        }
        files.push_back(std::move(file));
    }
    if (!writeExecutable(argv[2], tool + wynpack::carriedBlock(files))) {
        std::fprintf(stderr, "wynpack-carry: cannot write '%s'\n", argv[2]);
        return 1;
    }
    return 0;
}
