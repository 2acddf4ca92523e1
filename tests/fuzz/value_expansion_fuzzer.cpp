// Value expansion: %NAME%, %{NAME}%, $NAME, ${NAME}, the doubled introducers, the launcher's
// own variables and registry references with defaults. A few environment variables exist
// (one whose value holds references, which must not be expanded again; one with bytes above
// 0x7F for the UTF-8 conversion). A text without '%' and '$' must come back unchanged.
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/config_store.h"
#include "config/value_expansion.h"
#include "fuzz_support.h"

namespace {

ConfigStore* store = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C.UTF-8");
    setenv("FUZZ_A", "a %FUZZ_B% ${FUZZ_B} $$", 1);
    setenv("FUZZ_B", "b", 1);
    setenv("FUZZ_HIGH", "\xc3\xa9t\xe9", 1);
    setenv("HOMEDRIVE", "C:", 1);
    setenv("HOMEPATH", "\\Users\\fuzz", 1);
    store = new ConfigStore(false);
    store->loadFrom((fuzz::scratchDirectory() + "/app").c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX) {
        return 0;
    }
    TextView source(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
    TextString plain = expand(source, false, store);
    TextString utf8 = expand(source, true, store);
    expand(source, false, nullptr);

    bool hasReference =
        std::memchr(data, '%', size) != nullptr || std::memchr(data, '$', size) != nullptr;
    if (!hasReference && (plain.compare(source) != 0 || utf8.compare(source) != 0)) {
        fuzz::fail("a text without references changed");
    }

    TextString value;
    builtinVariable(store, source, value);
    registryVariable(store, source, value);
    return 0;
}
