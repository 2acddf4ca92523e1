// Joining the two words of the module options that `java` accepts in two words.
#include "config/option_words.h"

#include <cstring>

#include "base/trace.h"

namespace {

// As `java` lists them: the module options whose value may be the next word.
constexpr const char* kTwoWordOptions[] = {
    "--module-path",   "--upgrade-module-path", "--add-modules", "--enable-native-access",
    "--limit-modules", "--add-exports",         "--add-opens",   "--add-reads",
    "--patch-module",
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool sameWord(TextView word, const char* name) {
    return static_cast<size_t>(word.length) == std::strlen(name) &&
           std::memcmp(word.data, name, static_cast<size_t>(word.length)) == 0;
}

// The text without blanks around it.
TextView trimmed(TextView text) {
    int32_t begin = 0;
    int32_t end = text.length;
    while (begin < end && isBlank(text.data[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text.data[end - 1])) {
        --end;
    }
    return TextView(text.data + begin, end - begin);
}

TextString joined(const char* name, TextView value) {
    TextString option(name);
    option.append('=');
    option.append(value);
    return option;
}

}  // namespace

const char* twoWordOptionName(TextView word) {
    if (sameWord(word, "-p")) {
        return "--module-path";
    }
    for (const char* name : kTwoWordOptions) {
        if (sameWord(word, name)) {
            return name;
        }
    }
    return nullptr;
}

void appendJoiningTwoWordOptions(const StringList& values, StringList& target) {
    for (int32_t i = 0; i < values.count(); ++i) {
        const char* value = values.stringAt(i);
        TextView text = trimmed(value);
        int32_t wordEnd = 0;
        while (wordEnd < text.length && !isBlank(text.data[wordEnd])) {
            ++wordEnd;
        }
        const char* name = twoWordOptionName(TextView(text.data, wordEnd));
        if (name == nullptr) {
            target.addString(value);
            continue;
        }
        if (wordEnd < text.length) {
            TextString option =
                joined(name, trimmed(TextView(text.data + wordEnd, text.length - wordEnd)));
            trace("option '%s' holds two words: handed over as '%s'", value, option.c_str());
            target.addString(option);
        } else if (i + 1 < values.count()) {
            ++i;
            TextString option = joined(name, trimmed(values.stringAt(i)));
            trace("options '%s' and '%s' are two words of one option: handed over as '%s'", value,
                  values.stringAt(i), option.c_str());
            target.addString(option);
        } else {
            trace("option '%s' has no value after it: handed over unchanged", value);
            target.addString(value);
        }
    }
}
