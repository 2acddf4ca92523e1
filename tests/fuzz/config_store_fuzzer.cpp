// Configuration decoding (UTF-8, UTF-16 in either byte order, ANSI) and the configuration
// store. The input holds up to two parts separated by "\n--\n": with two, the first is the
// external file beside the executable and the second the embedded text; with one, there is
// no external file. Each input is read twice: decoded in memory, and through a real
// executable file (stub, text, length, reserved block, an empty ZIP archive) and its external
// file, the way the launcher loads itself. Every key's getter and collector then runs.
#include <clocale>
#include <cstdint>
#include <cstring>
#include <string>

#include "config/config_sources.h"
#include "config/config_store.h"
#include "fuzz_support.h"

namespace {

// The stub of the executable, then the payload around the embedded text.
std::string executableImage(std::string_view embedded) {
    std::string image =
        "\x7f"
        "ELF stub\n";
    image.append(embedded);
    auto length = static_cast<uint32_t>(embedded.size());
    for (int i = 0; i < 4; ++i) {
        image.push_back(static_cast<char>(length >> (8 * i)));
    }
    image.append(16, '\0');
    image.append("PK\x05\x06", 4);  // an empty archive: the end record alone
    image.append(18, '\0');
    return image;
}

void askEverything(ConfigStore& store) {
    for (const char* key : {"mainclass", "vm", "classpath", "Minjre", "message", ""}) {
        store.getValue(key);
        store.getValue(key, true, false);
        store.getValueMatching(key, "-X");
    }
    store.appid();
    store.splash();
    store.splashTitle();
    store.splashCloseOnWindow();
    store.wildcard();
    store.singleInstance();
    store.mainClass();
    store.minJre();
    store.maxJre();
    store.stdoutTarget();
    store.stderrTarget();
    store.forceCwd();
    store.disableExternal();
    store.jreOrder();
    store.jre();
    store.jvmDll();
    store.startOnFirstThreadOption();
    store.vmValue();
    store.resolvePath(store.splash());
    StringList values;
    store.collectOptions(values);
    store.collectProperties(values);
    store.collectExports(values);
    store.collectArgv(values);
    store.collectMessages(values);
    store.collectLibs(values);
    store.collectJavaLibs(values);
    store.collectValues("classpath", values);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A multibyte ANSI code page, so that the ANSI decoding meets invalid sequences.
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputParts parts(data, size);
    std::string_view first = parts.next();
    bool hasExternal = !parts.done();
    std::string_view embedded = hasExternal ? parts.next() : first;
    if (embedded.size() > INT32_MAX) {
        return 0;
    }

    // In memory: the store's text as loading builds it.
    ConfigStore inMemory(false);
    if (hasExternal) {
        appendDecoded(inMemory, TextView(first.data(), static_cast<int32_t>(first.size())));
        inMemory.resize(static_cast<int32_t>(std::strlen(inMemory.c_str())));
        inMemory.append("\r\n");
    }
    appendDecoded(inMemory, TextView(embedded.data(), static_cast<int32_t>(embedded.size())));
    askEverything(inMemory);

    // Through the files.
    const std::string executable = fuzz::scratchDirectory() + "/app";
    const std::string external = executable + ".cfg";
    fuzz::writeFile(executable, executableImage(embedded));
    if (hasExternal) {
        fuzz::writeFile(external, first);
    } else {
        std::remove(external.c_str());
    }
    ConfigStore loaded(false);
    loaded.loadFrom(executable.c_str());
    if (loaded.embeddedStart() < 0 || loaded.embeddedStart() > loaded.length()) {
        fuzz::fail("embedded lines start outside the configuration text");
    }
    askEverything(loaded);
    return 0;
}
