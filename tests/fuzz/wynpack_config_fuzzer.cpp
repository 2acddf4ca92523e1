// The packer's configuration decoding and checks, against the launcher that will read the
// result. Whatever the packer accepts it embeds; the launcher must then read the same main
// class from the packed file that the packer's check saw. The bytes are a configuration file
// as a user saved it (any encoding, any line ends).
#include <clocale>
#include <cstdint>
#include <string>

#include "config/config_store.h"
#include "config_text.h"
#include "format/text_codecs.h"
#include "fuzz_support.h"
#include "text_view.h"

namespace {

// A packed executable: stub, the configuration block, an empty archive.
std::string packedImage(const std::string& block) {
    std::string image =
        "\x7f"
        "ELF stub\n";
    image.append(block);
    image.append("PK\x05\x06", 4);
    image.append(18, '\0');
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    wynpack::DecodedText decoded;
    std::string reason;
    if (!wynpack::decodeConfigText(bytes, decoded, reason)) {
        if (reason.empty()) {
            fuzz::fail("refused without a reason");
        }
        return 0;
    }
    if (!isValidUtf8(wynpack::viewOf(decoded.utf8))) {
        fuzz::fail("decoded text is not valid UTF-8");
    }
    wynpack::lineNumberAt(decoded.utf8, decoded.utf8.size() / 2);
    if (!wynpack::checkConfigText(decoded.utf8, reason)) {
        return 0;
    }
    std::string block;
    if (!wynpack::buildConfigBlock(decoded.utf8, block)) {
        fuzz::fail("an accepted text could not be embedded");
    }

    const std::string executable = fuzz::scratchDirectory() + "/packed";
    fuzz::writeFile(executable, packedImage(block));
    ConfigStore store(false);
    store.loadFrom(executable.c_str());
    TextString launcherMain = store.getValue("mainclass", false, false);
    wynpack::KeyLine packerMain = wynpack::firstKeyLine(decoded.utf8, "mainclass");
    if (packerMain.value != launcherMain.c_str()) {
        fuzz::fail("the launcher reads another main class than the packer checked");
    }
    return 0;
}
