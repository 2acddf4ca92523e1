// Warnings about a configuration text (see config_checks.h).
#include "config_checks.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "ascii_text.h"
#include "format/known_config_keys.h"
#include "text_view.h"

namespace wynpack {

namespace {

bool endsInBlank(std::string_view text) {
    return !text.empty() && (text.back() == ' ' || text.back() == '\t');
}

// The numbers of a version text as the launcher reads it: up to four runs of digits.
struct Version {
    std::vector<uint64_t> numbers;
    bool onlyVersionCharacters = true;
};

Version readVersion(std::string_view text) {
    Version version;
    bool inNumber = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            if (!inNumber) {
                version.numbers.push_back(0);
                inNumber = true;
            }
            uint64_t& n = version.numbers.back();
            n = n < 100000000 ? n * 10 + static_cast<uint64_t>(c - '0') : n;
        } else {
            inNumber = false;
            if (c != '.' && c != '_' && c != '-') {
                version.onlyVersionCharacters = false;
            }
        }
    }
    return version;
}

struct Bound {
    int line = 0;
    std::string value;
    Version version;
};

void checkBound(const char* key, int line, const std::string& value, Bound& first,
                std::vector<std::string>& warnings) {
    Version version = readVersion(value);
    std::string where = "line " + std::to_string(line) + ": ";
    if (version.numbers.empty()) {
        warnings.push_back(where + key + " '" + value +
                           "' holds no version number; the launcher lets every runtime pass it");
    } else if (!version.onlyVersionCharacters || version.numbers.size() > 4) {
        std::string read;
        for (size_t i = 0; i < version.numbers.size() && i < 4; ++i) {
            read += (i == 0 ? "" : ".") + std::to_string(version.numbers[i]);
        }
        warnings.push_back(where + key + " '" + value +
                           "' is not a plain version; the launcher reads it as " + read);
    }
    if (first.line == 0) {
        first = {line, value, version};
    }
}

// One line of a configuration text that names a key: its number, the key as written and
// lower-cased, and its value as the launcher reads it.
struct ConfigLine {
    int number = 0;
    std::string key;
    std::string lower;
    std::string_view value;
};

// Calls visit for every line that names a key, and unknown for every line whose key the
// launcher does not know.
template <typename Visit, typename Unknown>
void forEachKeyLine(std::string_view utf8, Visit visit, Unknown unknown) {
    utf8 = utf8.substr(0, utf8.find('\0'));
    int lineNumber = 0;
    size_t start = 0;
    while (start < utf8.size()) {
        ++lineNumber;
        size_t end = utf8.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = utf8.size();
        }
        std::string_view line = utf8.substr(start, end - start);
        start = end;
        if (start < utf8.size()) {
            char c = utf8[start];
            ++start;
            if (start < utf8.size() && (utf8[start] == '\r' || utf8[start] == '\n') &&
                utf8[start] != c) {
                ++start;
            }
        }
        size_t first = line.find_first_not_of(' ');
        if (first == std::string_view::npos || !isConfigKeyCharacter(line[first])) {
            continue;
        }
        size_t keyEnd = first;
        while (keyEnd < line.size() && isConfigKeyCharacter(line[keyEnd])) {
            ++keyEnd;
        }
        ConfigLine parsed;
        parsed.number = lineNumber;
        parsed.key = std::string(line.substr(first, keyEnd - first));
        if (!isKnownConfigKey(viewOf(parsed.key))) {
            unknown(parsed);
            continue;
        }
        std::string_view value = line.substr(keyEnd);
        value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
        if (!value.empty() && value[0] == '=') {
            value.remove_prefix(1);
            value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
        }
        parsed.value = value;
        for (char c : parsed.key) {
            parsed.lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        visit(parsed);
    }
}

// As `java` lists them: the module options whose value may be the next word; "-p" is the
// short form of "--module-path".
std::string_view twoWordOptionName(std::string_view word) {
    constexpr std::array<std::string_view, 9> kNames = {
        "--module-path",   "--upgrade-module-path", "--add-modules", "--enable-native-access",
        "--limit-modules", "--add-exports",         "--add-opens",   "--add-reads",
        "--patch-module",
    };
    if (word == "-p") {
        return kNames[0];
    }
    for (std::string_view name : kNames) {
        if (word == name) {
            return name;
        }
    }
    return std::string_view();
}

std::string_view trimmedBlanks(std::string_view text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        return std::string_view();
    }
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

}  // namespace

std::vector<std::string> configWarnings(std::string_view utf8) {
    std::vector<std::string> warnings;
    Bound minimum;
    Bound maximum;
    forEachKeyLine(
        utf8,
        [&](const ConfigLine& parsed) {
            const std::string& lower = parsed.lower;
            std::string_view value = parsed.value;
            int lineNumber = parsed.number;
            std::string where = "line " + std::to_string(lineNumber) + ": ";
            if (lower == "mainclass" && endsInBlank(value)) {
                warnings.push_back(where +
                                   "the mainclass value ends in blanks; the launcher would "
                                   "look for a class whose name ends in them");
            } else if (lower == "property" || lower == "export") {
                size_t equals = value.find('=');
                std::string_view name = value.substr(0, equals);
                if (equals != std::string_view::npos && endsInBlank(name)) {
                    warnings.push_back(
                        where + "the " + lower + " name '" + std::string(name) +
                        "' ends in a blank, which becomes part of the name; write '" + lower + " " +
                        std::string(name.substr(0, name.find_last_not_of(" \t") + 1)) + "=...'");
                }
            } else if (lower == "minjre") {
                checkBound("minjre", lineNumber, std::string(value), minimum, warnings);
            } else if (lower == "maxjre") {
                checkBound("maxjre", lineNumber, std::string(value), maximum, warnings);
            }
        },
        [&](const ConfigLine& parsed) {
            warnings.push_back("line " + std::to_string(parsed.number) + ": unknown key '" +
                               parsed.key + "'; the launcher ignores this line");
        });
    // The launcher compares the numbers both versions have.
    const std::vector<uint64_t>& low = minimum.version.numbers;
    const std::vector<uint64_t>& high = maximum.version.numbers;
    size_t shared = std::min({low.size(), high.size(), size_t{4}});
    for (size_t i = 0; i < shared; ++i) {
        if (low[i] != high[i]) {
            if (low[i] > high[i]) {
                warnings.push_back("line " + std::to_string(maximum.line) + ": maxjre '" +
                                   maximum.value + "' is below minjre '" + minimum.value +
                                   "' (line " + std::to_string(minimum.line) +
                                   "); no runtime satisfies both");
            }
            break;
        }
    }
    return warnings;
}

std::vector<std::string> configNotes(std::string_view utf8) {
    std::vector<std::string> notes;
    // An option made of a two-word option's name alone, waiting for its value on the next
    // option line.
    std::string_view pending;
    int pendingLine = 0;
    forEachKeyLine(
        utf8,
        [&](const ConfigLine& parsed) {
            if (parsed.lower != "option") {
                return;
            }
            std::string_view value = trimmedBlanks(parsed.value);
            std::string where = "line " + std::to_string(parsed.number) + ": ";
            if (!pending.empty()) {
                notes.push_back("line " + std::to_string(pendingLine) + ": options '" +
                                std::string(pending) + "' and '" + std::string(value) + "' (line " +
                                std::to_string(parsed.number) +
                                ") are handed to the runtime as one, '" +
                                std::string(twoWordOptionName(pending)) + "=" + std::string(value) +
                                "', as java joins them");
                pending = std::string_view();
                return;
            }
            size_t blank = value.find_first_of(" \t");
            std::string_view name = twoWordOptionName(value.substr(0, blank));
            if (name.empty()) {
                return;
            }
            if (blank == std::string_view::npos) {
                pending = value;
                pendingLine = parsed.number;
                return;
            }
            notes.push_back(where + "option '" + std::string(value) +
                            "' is handed to the runtime as '" + std::string(name) + "=" +
                            std::string(trimmedBlanks(value.substr(blank))) +
                            "', as java joins its two words");
        },
        [](const ConfigLine&) {});
    if (!pending.empty()) {
        notes.push_back("line " + std::to_string(pendingLine) + ": option '" +
                        std::string(pending) +
                        "' has no value on a following option line; it is handed over alone");
    }
    return notes;
}

}  // namespace wynpack
