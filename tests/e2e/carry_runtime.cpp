// Test tool: adds a Java runtime image to a packed program the way the packer stores it
// (every file deflated under META-INF/wyn/runtime/, with its Unix mode, symbolic links
// followed, and the index META-INF/wyn/runtime.index), so that the launcher's side can be
// tested on its own.
// Usage: wyn-carry-runtime PROGRAM RUNTIME_DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "format/runtime_index.h"
#include "format/sha256.h"
#include "platform/java_runtime.h"
#include "support/payload_builder.h"
#include "support/zip_append.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PROGRAM RUNTIME_DIR\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    fs::path root(argv[2]);
    RuntimeIndex index;
    index.platform = TextString(platform::kRuntimePlatform);
    index.release = TextString("17");
    std::vector<ZipEntryToAdd> entries;
    for (const auto& item :
         fs::recursive_directory_iterator(root, fs::directory_options::follow_directory_symlink)) {
        if (!fs::is_regular_file(item.path())) {
            continue;
        }
        std::string relative = item.path().lexically_relative(root).generic_string();
        std::string content = readBytes(item.path().string());
        RuntimeFile file;
        file.path = TextString(relative.c_str());
        file.size = static_cast<int64_t>(content.size());
        file.mode =
            static_cast<int32_t>(fs::status(item.path()).permissions() & fs::perms::mask) & 0777;
        Sha256 hash;
        hash.update(content.data(), file.size);
        hash.finish(file.sha256);
        index.files.push_back(file);
        ZipEntryToAdd entry = zipEntry(std::string(kRuntimeEntryPrefix) + relative, content);
        entry.mode = static_cast<uint32_t>(file.mode);
        entries.push_back(entry);
    }
    TextString text = writeRuntimeIndex(index);
    entries.insert(entries.begin(),
                   zipEntry(kRuntimeIndexEntry,
                            std::string(text.c_str(), static_cast<size_t>(text.length()))));
    std::string program = readBytes(argv[1]);
    std::string carrying = withZipEntries(program, entries);
    if (carrying.empty() || !writeBytes(argv[1], carrying)) {
        std::fprintf(stderr, "cannot add the runtime to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
