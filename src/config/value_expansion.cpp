// Expansion of environment, built-in and registry references in configuration values.
#include "config/value_expansion.h"

#include <cstdio>

#include "config/config_store.h"
#include "platform/codepage.h"
#include "platform/env.h"
#include "platform/registry.h"

namespace {

bool isNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool hasHighByte(TextView text) {
    for (int32_t i = 0; i < text.length; ++i) {
        if (static_cast<unsigned char>(text.data[i]) >= 0x80) {
            return true;
        }
    }
    return false;
}

TextString utf8FromAnsi(TextView text) {
    WideString wide = wideFromNarrow(text.data, text.length);
    return utf8FromWide(wide.data(), wide.length());
}

bool equalsNoCase(TextView name, const char* word) {
    return TextString(word).compareNoCase(name) == 0;
}

struct RootPrefix {
    const char* prefix;
    platform::RegistryRoot root;
};

const RootPrefix kRootPrefixes[] = {
    {"HKCR\\", platform::RegistryRoot::ClassesRoot},
    {"HKCU\\", platform::RegistryRoot::CurrentUser},
    {"HKLM\\", platform::RegistryRoot::LocalMachine},
    {"HKU\\", platform::RegistryRoot::Users},
    {"HKCC\\", platform::RegistryRoot::CurrentConfig},
    {"HKEY_CLASSES_ROOT\\", platform::RegistryRoot::ClassesRoot},
    {"HKEY_CURRENT_USER\\", platform::RegistryRoot::CurrentUser},
    {"HKEY_LOCAL_MACHINE\\", platform::RegistryRoot::LocalMachine},
    {"HKEY_USERS\\", platform::RegistryRoot::Users},
    {"HKEY_CURRENT_CONFIG\\", platform::RegistryRoot::CurrentConfig},
};

ExpandedText expandNested(TextView source, bool toUtf8, const ConfigStore* store, int depth);

// Turns the bytes of a registry value into text.
TextString registryText(const platform::RegistryValue& data, const ConfigStore* store, int depth) {
    const ByteBuffer& bytes = data.bytes;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
    switch (data.type) {
        case platform::kRegSz:
        case platform::kRegExpandSz: {
            // The stored data need not end in a NUL: the text ends at the first one or at the
            // end of the data, whichever comes first.
            int32_t n = 0;
            while (n < bytes.length() && bytes[n] != '\0') {
                ++n;
            }
            TextString text(bytes.data(), n);
            if (data.type == platform::kRegSz) {
                return text;
            }
            return expandNested(text, false, store, depth + 1).text();
        }
        case platform::kRegDword:
        case platform::kRegDwordBigEndian: {
            // Data shorter than four bytes is not a number: it gives an empty text.
            if (bytes.length() < 4) {
                return TextString();
            }
            uint32_t v = data.type == platform::kRegDword
                             ? (b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24)
                             : (b[3] | b[2] << 8 | b[1] << 16 | static_cast<uint32_t>(b[0]) << 24);
            TextString text;
            text.format("%d", static_cast<int32_t>(v));
            return text;
        }
        default:
            return TextString();
    }
}

bool registryVariableNested(const ConfigStore* store, TextView name, TextString& value, int depth) {
    TextView rest = name;
    const RootPrefix* root = nullptr;
    for (const RootPrefix& candidate : kRootPrefixes) {
        int32_t n = static_cast<int32_t>(std::strlen(candidate.prefix));
        if (name.length >= n && std::memcmp(name.data, candidate.prefix, n) == 0) {
            root = &candidate;
            rest = TextView(name.data + n, name.length - n);
            break;
        }
    }
    int32_t bar = 0;
    while (bar < rest.length && rest.data[bar] != '|') {
        ++bar;
    }
    bool hasDefault = bar < rest.length;
    auto fallBack = [&]() {
        if (hasDefault) {
            value = TextString(rest.data + bar + 1, rest.length - bar - 1);
        }
        return hasDefault;
    };
    if (root == nullptr) {
        return fallBack();
    }
    int32_t slash = bar;
    while (slash > 0 && rest.data[slash - 1] != '\\') {
        --slash;
    }
    TextString keyPath = slash > 0 ? TextString(rest.data, slash - 1) : TextString(rest.data, bar);
    TextString valueName = slash > 0 ? TextString(rest.data + slash, bar - slash) : TextString();
    platform::RegistryValue data;
    if (!platform::readRegistryValue(root->root, keyPath.c_str(), valueName.c_str(), data)) {
        return fallBack();
    }
    value = registryText(data, store, depth);
    return true;
}

// PWD, APPLICATION_HOME and WYN_APP_PATH: the built-ins that name paths of this process.
bool isOwnPathVariable(TextView name) {
    return equalsNoCase(name, "PWD") || equalsNoCase(name, "APPLICATION_HOME") ||
           equalsNoCase(name, "WYN_APP_PATH");
}

bool resolveName(const TextString& name, const ConfigStore* store, int depth, TextString& value) {
    if (platform::ownPathVariablesFirst() && isOwnPathVariable(name) &&
        builtinVariable(store, name, value)) {
        return true;
    }
    if (const char* env = platform::getEnv(name.c_str())) {
        value = TextString(env);
        return true;
    }
    if (builtinVariable(store, name, value)) {
        return true;
    }
    return depth < kMaxRegistryNesting && registryVariableNested(store, name, value, depth);
}

ExpandedText expandNested(TextView source, bool toUtf8, const ConfigStore* store, int depth) {
    const char* s = source.data;
    int32_t n = source.data == nullptr ? 0 : source.length;
    ExpandedText result;
    int32_t scan = 0, copied = 0;
    for (;;) {
        int32_t intro = scan;
        while (intro < n && s[intro] != '%' && s[intro] != '$') {
            ++intro;
        }
        if (intro >= n) {
            break;
        }
        char introducer = s[intro];
        int32_t nameStart, nameEnd, end;
        if (intro + 1 < n && s[intro + 1] == '{') {
            nameStart = nameEnd = intro + 2;
            while (nameEnd < n && s[nameEnd] != '}') {
                ++nameEnd;
            }
            end = nameEnd < n ? nameEnd + 1 : n;
        } else {
            nameStart = nameEnd = intro + 1;
            while (nameEnd < n && isNameByte(s[nameEnd])) {
                ++nameEnd;
            }
            end = nameEnd;
        }

        if (nameEnd == nameStart) {
            if (end >= n || s[end] != introducer) {
                scan = end;
                continue;
            }
            // A doubled introducer is text the user wrote: it stays literal.
            result.appendLiteral(TextView(s + copied, intro - copied));
            result.appendLiteral(TextView(&introducer, 1));
            copied = scan = end + 1;
            continue;
        }
        int32_t referenceEnd = end;
        if (introducer == '%') {
            if (end >= n || s[end] != '%') {
                scan = end;
                continue;
            }
            referenceEnd = end + 1;
        }
        TextString value;
        if (!resolveName(TextString(s + nameStart, nameEnd - nameStart), store, depth, value)) {
            scan = referenceEnd;
            continue;
        }
        if (toUtf8 && hasHighByte(value)) {
            value = utf8FromAnsi(value);
        }
        result.appendLiteral(TextView(s + copied, intro - copied));
        result.appendInserted(value);
        copied = scan = referenceEnd;
    }
    result.appendLiteral(TextView(s + copied, n - copied));
    return result;
}

}  // namespace

TextString expand(TextView source, bool toUtf8) {
    return expand(source, toUtf8, activeConfig);
}

TextString expand(TextView source, bool toUtf8, const ConfigStore* store) {
    return expandNested(source, toUtf8, store, 0).text();
}

ExpandedText expandMarked(TextView source, bool toUtf8, const ConfigStore* store) {
    return expandNested(source, toUtf8, store, 0);
}

bool builtinVariable(const ConfigStore* store, TextView name, TextString& value) {
    if (equalsNoCase(name, "HOME")) {
        // Built from the environment on every use, so nothing is shared between threads.
        value.resize(0);
        const char* drive = platform::getEnv("HOMEDRIVE");
        const char* path = platform::getEnv("HOMEPATH");
        if (drive != nullptr && path != nullptr) {
            value.append(drive);
            value.append(path);
        }
        return true;
    }
    if (store == nullptr) {
        return false;
    }
    if (equalsNoCase(name, "APPLICATION_HOME")) {
        value = store->exeDirectory();
    } else if (equalsNoCase(name, "PWD")) {
        value = store->currentDirectory();
    } else if (equalsNoCase(name, "WYN_APP_PATH")) {
        value = store->exePath();
    } else {
        return false;
    }
    return true;
}

bool registryVariable(const ConfigStore* store, TextView name, TextString& value) {
    return registryVariableNested(store, name, value, 0);
}
