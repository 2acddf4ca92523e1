// The packer's archive merge over ZIP inputs: the input is a jar, merged with itself (every
// entry a duplicate of an earlier one) and with a second jar cut from the input after
// "\n--\n" when there is one. A jar that libzip refuses must be refused with a message; one it
// accepts must merge into an archive that libzip reads back, and merged with itself it must
// give the same entries as alone. The ZIP64 locator correction runs over the input's tail.
#include <zip.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive_merge.h"
#include "fuzz_support.h"
#include "zip64_locator.h"

namespace {

bool merge(const std::vector<std::string>& jars, const std::string& output, zip_int64_t& entries) {
    wynpack::ArchiveMerger merger;
    wynpack::Problem problem;
    for (const std::string& jar : jars) {
        if (!merger.addSource(jar, problem)) {
            if (problem.message.empty()) {
                fuzz::fail("a jar refused without a message");
            }
            return false;
        }
    }
    fuzz::writeFile(output, "");
    if (!merger.writeTo(
            output, [](const std::string&) {}, problem)) {
        if (problem.message.empty()) {
            fuzz::fail("a merge failed without a message");
        }
        return false;
    }
    int error = 0;
    zip_t* archive = zip_open(output.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (archive == nullptr) {
        fuzz::fail("the merged archive cannot be read back");
    }
    entries = zip_get_num_entries(archive, 0);
    zip_discard(archive);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    size_t tail = size < wynpack::kArchiveTailSize ? size : wynpack::kArchiveTailSize;
    wynpack::LocatorFix fix = wynpack::zip64LocatorFix(bytes.substr(size - tail), 1000);
    if (fix.needed &&
        (fix.distanceFromEnd < 8 || fix.distanceFromEnd > tail || fix.bytes.size() != 8)) {
        fuzz::fail("locator fix outside the archive's tail");
    }

    const std::string& scratch = fuzz::scratchDirectory();
    fuzz::InputParts parts(data, size);
    std::string_view firstJar = parts.next();
    fuzz::writeFile(scratch + "/first.jar", firstJar);
    std::vector<std::string> jars{scratch + "/first.jar", scratch + "/first.jar"};
    if (!parts.done()) {
        fuzz::writeFile(scratch + "/second.jar", bytes.substr(firstJar.size() + 4));
        jars.push_back(scratch + "/second.jar");
    }

    zip_int64_t alone = 0, merged = 0;
    if (!merge({jars[0]}, scratch + "/alone.zip", alone)) {
        return 0;
    }
    if (merge(jars, scratch + "/merged.zip", merged) && jars.size() == 2 && merged != alone) {
        fuzz::fail("merging a jar with itself changed its entries");
    }
    return 0;
}
