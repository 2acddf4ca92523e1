// The runtime locator: finds the virtual-machine library of a Java runtime through the
// configured sources, once per process.
#include "runtime/runtime_locator.h"

#include <cctype>
#include <cstring>
#include <initializer_list>

#include "base/trace.h"
#include "config/config_store.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/java_runtime.h"
#include "platform/registry.h"

namespace {

// The access test for one runtime library candidate, traced.
bool candidateReadable(const TextString& candidate) {
    bool readable = platform::canRead(candidate.c_str());
    trace("runtime candidate %s: %s", candidate.c_str(), readable ? "found" : "not found");
    return readable;
}

}  // namespace

namespace {

// Registry values are read into a buffer of this many bytes, terminator included; a value
// that does not fit counts as absent.
constexpr int32_t kRegistryTextLimit = 260;

const char kDefaultOrder[] = "cbsie";
const char kSourceLetters[] = "cbsie";

// "-" until the first search; then the path that was found, or empty.
TextString& keptResult() {
    static TextString kept("-");
    return kept;
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// The configured VM flavour, "-" when none is configured (or there is no configuration).
TextString flavour() {
    return activeConfig != nullptr ? activeConfig->vmValue() : TextString("-");
}

// Reads one registry value below HKLM as text. False when the key or the value is missing
// or the text does not fit the buffer together with its terminator.
bool readRegistryText(const char* keyPath, const char* valueName, TextString& text) {
    platform::RegistryValue value;
    if (!platform::readRegistryValue(platform::RegistryRoot::LocalMachine, keyPath, valueName,
                                     value) ||
        value.bytes.length() > kRegistryTextLimit) {
        return false;
    }
    int32_t length = 0;
    while (length < value.bytes.length() && value.bytes[length] != '\0') {
        ++length;
    }
    if (length >= kRegistryTextLimit) {
        return false;
    }
    text = TextString(value.bytes.data(), length);
    return true;
}

// Cuts the last path component and its separator; a separator at index 0, or none, leaves
// the text as it is.
void stripComponent(TextString& path) {
    int32_t i = path.length() - 1;
    while (i >= 0 && !isSeparator(path[i])) {
        --i;
    }
    if (i > 0) {
        path.resize(i);
    }
}

TextString configuredLibrary() {
    if (activeConfig == nullptr) {
        return TextString();
    }
    TextString value = activeConfig->jvmDll();
    if (value.empty()) {
        return TextString();
    }
    TextString candidate = activeConfig->resolvePath(value);
    return candidateReadable(candidate) ? candidate : TextString();
}

TextString shippedRuntime() {
    if (activeConfig == nullptr) {
        return TextString();
    }
    TextString home = activeConfig->jre();
    if (home.empty()) {
        home = TextString("./jre/");
    }
    return findJvmInHome(activeConfig->resolvePath(home));
}

TextString systemRuntime() {
    TextString found = readRegistryRuntime("SOFTWARE\\JavaSoft\\JRE");
    if (found.empty()) {
        found = readRegistryRuntime("SOFTWARE\\JavaSoft\\Java Runtime Environment");
    }
    if (found.empty()) {
        StringList homes;
        platform::systemRuntimeHomes(homes);
        for (int32_t i = 0; i < homes.count() && found.empty(); ++i) {
            found = findJvmInHome(TextView(homes.stringAt(i)));
        }
    }
    return found;
}

TextString environmentRuntime() {
    for (const char* name : {"JRE_HOME", "JAVA_HOME"}) {
        TextString home = platform::getEnvPath(name);
        if (!home.empty()) {
            TextString found = findJvmInHome(home);
            if (!found.empty()) {
                return found;
            }
        }
    }
    return TextString();
}

// Reads a registry value below HKLM that names a path, in its ANSI form (see
// platform/files.h), with the same length limit as readRegistryText.
bool readRegistryPathText(const char* keyPath, const char* valueName, TextString& path) {
    return platform::readRegistryPath(platform::RegistryRoot::LocalMachine, keyPath, valueName,
                                      path) &&
           path.length() < kRegistryTextLimit;
}

TextString runSource(char letter) {
    switch (letter) {
        case 'c':
            return configuredLibrary();
        case 'b':
            return shippedRuntime();
        case 's':
            return systemRuntime();
        case 'i':
            return readRegistryRuntime("SOFTWARE\\IBM\\Java2 Runtime Environment");
        case 'e':
            return environmentRuntime();
        default:
            return TextString();
    }
}

// jre_order lower-cased, or the default order when it names no source at all.
TextString sourceOrder() {
    TextString order = activeConfig != nullptr ? activeConfig->jreOrder() : TextString();
    bool namesSource = false;
    for (int32_t i = 0; i < order.length(); ++i) {
        order[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(order[i])));
        if (order[i] != '\0' && std::strchr(kSourceLetters, order[i]) != nullptr) {
            namesSource = true;
        }
    }
    return namesSource ? order : TextString(kDefaultOrder);
}

}  // namespace

TextString locateJvmLibrary() {
    TextString& kept = keptResult();
    if (kept != "-") {
        return kept;
    }
    kept = TextString();
    TextString order = sourceOrder();
    for (int32_t i = 0; i < order.length(); ++i) {
        TextString found = runSource(order[i]);
        if (!found.empty()) {
            kept = found;
            break;
        }
    }
    return kept;
}

void forgetLocatedJvmLibrary() {
    keptResult() = TextString("-");
}

TextString findJvmInHome(TextView home) {
    TextString base(home);
    if (base.empty() || !isSeparator(base[base.length() - 1])) {
        base.append('/');
    }
    TextString vm = flavour();
    for (const char* const* sub = platform::kJvmLibrarySubPaths; *sub != nullptr; ++sub) {
        TextString dir = TextString::concat(base, TextView(*sub));

        TextString candidate = TextString::concat(dir, TextView(platform::kJvmLibraryName));
        if (candidateReadable(candidate)) {
            return candidate;
        }
        if (vm.length() > 1) {
            candidate = TextString::concat(dir, vm);
            candidate.append('/');
            candidate.append(platform::kJvmLibraryName);
            if (candidateReadable(candidate)) {
                return candidate;
            }
        }
        platform::DirectoryEnumeration entries(TextString::concat(dir, TextView("*")).c_str());
        platform::DirectoryEntry entry;
        while (entries.next(entry)) {
            if (!entry.isDirectory || entry.name == "." || entry.name == "..") {
                continue;
            }
            candidate = TextString::concat(dir, entry.name);
            candidate.append('/');
            candidate.append(platform::kJvmLibraryName);
            if (candidateReadable(candidate)) {
                return candidate;
            }
        }
    }
    return TextString();
}

TextString readRegistryRuntime(const char* keyPath) {
    TextString version;
    if (!readRegistryText(keyPath, "CurrentVersion", version)) {
        return TextString();
    }
    TextString versionKey(keyPath);
    versionKey.append('\\');
    versionKey.append(version);

    TextString value;
    if (readRegistryPathText(versionKey.c_str(), "RuntimeLib", value)) {
        if (platform::canRead(value.c_str()) && flavour().length() <= 1) {
            return value;
        }
        // The library lies in <home>\bin\<flavour>\: search again from <home>\bin.
        stripComponent(value);
        stripComponent(value);
        return findJvmInHome(value);
    }
    if (readRegistryPathText(versionKey.c_str(), "JavaHome", value)) {
        return findJvmInHome(value);
    }
    return TextString();
}
