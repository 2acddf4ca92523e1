// Message overrides and their formatter. The input is a configuration text whose `message`
// lines are read as overrides (escapes, ids, expansion); every override found, and the input
// itself, then goes through the placeholder formatter, which must never read past its
// arguments nor treat anything but "%s" and "%%" as a placeholder.
#include <clocale>
#include <cstdint>
#include <cstring>
#include <string>

#include "config/config_store.h"
#include "config/message_overrides.h"
#include "config/messages.h"
#include "fuzz_support.h"

namespace {

// The formatter's result has every byte of text except the placeholders it filled.
void checkFormatted(TextView text) {
    TextString formatted = formatMessage(text, "17.0.2", "1.8", "");
    int32_t percents = 0;
    for (int32_t i = 0; i < text.length; ++i) {
        percents += text.data[i] == '%' ? 1 : 0;
    }
    // Each "%s" takes two bytes and gives at most the six bytes of the longest argument.
    if (formatted.length() > text.length + 4 * percents) {
        fuzz::fail("formatted message longer than its placeholders allow");
    }
    TextString plain = formatMessage(text, "", "", "");
    if (std::memchr(text.data, '%', static_cast<size_t>(text.length)) == nullptr &&
        plain.compare(text) != 0) {
        fuzz::fail("a message without '%' changed");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX) {
        return 0;
    }
    TextView input(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
    checkFormatted(input);

    TextString unescaped = unescapeMessage(input);
    if (unescaped.length() > input.length) {
        fuzz::fail("unescaped message longer than its text");
    }
    // Any text parses without harm; every id is an answer, so there is nothing to compare.
    static_cast<void>(parseMessageId(input));

    ConfigStore store(false);
    store.append(input);
    MessageOverrides overrides;
    overrides.build(store);
    for (int32_t id : {1, 2, 5, 6, 10, 12, 13, 2147483647}) {
        TextString text;
        if (overrides.find(id, text)) {
            checkFormatted(text);
        }
    }
    return 0;
}
