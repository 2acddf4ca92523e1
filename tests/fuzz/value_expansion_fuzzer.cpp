// Value expansion: %NAME%, %{NAME}%, $NAME, ${NAME}, the doubled introducers, the launcher's
// own variables and registry references with defaults. A few environment variables exist
// (one whose value holds references, which must not be expanded again; one with bytes above
// 0x7F for the UTF-8 conversion; one with shell syntax). A text without '%' and '$' must come
// back unchanged. The marked expansion must give the same text, cut into segments that follow
// their rules, and the output command built from it (the shell script with the values as
// positional parameters) must take exactly one parameter per inserted segment and never hold
// the bytes of a value that the user's text did not hold.
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "args_output/output_command.h"
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
    setenv("FUZZ_SHELL", "a b'c\"d $(x) `y`; %z% \\", 1);
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

    ExpandedText marked = expandMarked(source, false, store);
    if (marked.text().compare(plain) != 0) {
        fuzz::fail("the marked expansion gives another text");
    }
    TextString joined;
    int32_t insertedSegments = 0;
    for (int32_t i = 0; i < marked.segmentCount(); ++i) {
        TextView segment = marked.segment(i);
        joined.append(segment);
        if (marked.isInserted(i)) {
            ++insertedSegments;
        } else if (segment.length == 0) {
            fuzz::fail("an empty literal segment");
        }
        if (i > 0 && marked.isInserted(i) == marked.isInserted(i - 1)) {
            fuzz::fail("neighbouring segments of one kind");
        }
    }
    if (joined.compare(plain) != 0) {
        fuzz::fail("the segments do not make the text");
    }
    if (!hasReference && insertedSegments != 0) {
        fuzz::fail("a text without references has inserted segments");
    }
    OutputCommand command = buildOutputCommand(marked);
    if (command.arguments.count() != insertedSegments) {
        fuzz::fail("the command does not take one parameter per inserted value");
    }
    if (std::strstr(command.line.c_str(), "$(x)") != nullptr &&
        memmem(data, size, "$(x)", 4) == nullptr) {
        fuzz::fail("a value's shell syntax reached the script");
    }

    // Any name reaches the lookups without harm; whether one answers is not the question here.
    TextString value;
    static_cast<void>(builtinVariable(store, source, value));
    static_cast<void>(registryVariable(store, source, value));
    return 0;
}
