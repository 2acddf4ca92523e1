// The configuration store: loading, the line lookup and the lookups built on it.
#include "config/config_store.h"

#include "base/trace.h"
#include "config/config_keys_known.h"
#include "config/config_sources.h"
#include "config/line_reader.h"
#include "config/payload.h"
#include "config/value_expansion.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

bool isWordByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool hasHighByte(const TextString& text) {
    for (int32_t i = 0; i < text.length(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            return true;
        }
    }
    return false;
}

int32_t skipBlanks(const TextString& text, int32_t i) {
    while (i < text.length() && text[i] == ' ') {
        ++i;
    }
    return i;
}

// The value of line when it holds key: blanks before the key, the key in any letter case,
// then anything but a letter, digit or '_'; blanks, one optional '=' and blanks again
// separate key and value. Trailing blanks belong to the value.
bool matchLine(const TextString& line, TextView key, TextString& value) {
    int32_t start = skipBlanks(line, 0);
    if (line.length() - start < key.length) {
        return false;
    }
    for (int32_t i = 0; i < key.length; ++i) {
        if (asciiLower(line[start + i]) != asciiLower(key.data[i])) {
            return false;
        }
    }
    int32_t i = start + key.length;
    if (i < line.length() && isWordByte(line[i])) {
        return false;
    }
    i = skipBlanks(line, i);
    if (i < line.length() && line[i] == '=') {
        i = skipBlanks(line, i + 1);
    }
    value = line.tail(i);
    return true;
}

struct CollectContext {
    const ConfigStore* store;
    StringList* target;
    bool toUtf8;
};

void collectExpanded(void* context, const TextString& value) {
    auto* c = static_cast<CollectContext*>(context);
    c->target->addString(expand(value, c->toUtf8, c->store));
}

}  // namespace

ConfigStore::ConfigStore(bool load) {
    if (load) {
        loadFrom(platform::executableFile().c_str());
    }
}

ConfigStore::~ConfigStore() = default;

void ConfigStore::loadFrom(const char* executable) {
    resize(0);
    embeddedStart_ = 0;
    vmValue_.resize(0);
    payloadMark_ = -1;
    payloadFound_ = false;

    refreshCurrentDirectory();
    exeFile_ = TextString(executable);
    exePath_ = platform::ansiPathOf(executable);
    exeDirectory_ = directoryOf(exePath_);

    ByteBuffer external;
    if (readExternalConfig(exeFile_, external)) {
        appendDecoded(*this, external);
        // A NUL inside the external file ends that file's text, not the whole configuration:
        // the embedded lines behind it stay visible.
        resize(static_cast<int32_t>(std::strlen(c_str())));
    }
    if (length() > 0) {
        append("\r\n");
    }
    embeddedStart_ = length();

    TextString embedded;
    int64_t mark = -1;
    payloadFound_ = readEmbeddedText(exeFile_.c_str(), embedded, mark);
    payloadMark_ = mark;
    trace("embedded configuration: %d bytes, payload mark %lld", embedded.length(),
          static_cast<long long>(mark));
    appendDecoded(*this, embedded);

    if (disableExternal().compareNoCase("true") == 0) {
        trace("external configuration disabled");
        removeRange(0, embeddedStart_);
        embeddedStart_ = 0;
    }
    if (embeddedStart_ > 0) {
        traceUnknownKeys(TextView(data(), embeddedStart_), "external");
    }
    traceUnknownKeys(TextView(data() + embeddedStart_, length() - embeddedStart_), "embedded");
}

TextString ConfigStore::lookup(TextView key, LineCallback callback, void* context,
                               bool embeddedOnly, bool toAnsi, TextView filter) const {
    int32_t start = embeddedOnly ? embeddedStart_ : 0;
    if (start < 0 || start > length()) {
        start = length();
    }
    return lookupIn(data() + start, key, callback, context, toAnsi, filter);
}

TextString ConfigStore::lookupIn(const char* text, TextView key, LineCallback callback,
                                 void* context, bool toAnsi, TextView filter) {
    TextString filterText(filter);
    LineReader reader(text);
    TextString line, value;
    while (reader.nextLine(line)) {
        if (!matchLine(line, key, value)) {
            continue;
        }
        if (toAnsi && hasHighByte(value)) {
            WideString wide = wideFromUtf8(value.c_str(), value.length());
            value = narrowFromWide(wide.data(), wide.length());
        }
        if (!filterText.empty() && filterText.prefixCompare(value) != 0) {
            continue;
        }
        if (callback == nullptr) {
            return value;
        }
        callback(context, value);
    }
    return TextString();
}

TextString ConfigStore::getValue(TextView key, bool embeddedOnly, bool toAnsi) const {
    return lookup(key, nullptr, nullptr, embeddedOnly, toAnsi, TextView());
}

TextString ConfigStore::getValueMatching(TextView key, TextView filter, bool embeddedOnly,
                                         bool toAnsi) const {
    return lookup(key, nullptr, nullptr, embeddedOnly, toAnsi, filter);
}

void ConfigStore::collectValues(TextView key, StringList& target, bool embeddedOnly,
                                bool toAnsi) const {
    CollectContext context{this, &target, !toAnsi};
    lookup(key, collectExpanded, &context, embeddedOnly, toAnsi, TextView());
}

void ConfigStore::collectValuesExternalLast(TextView key, StringList& target, bool toAnsi) const {
    collectValues(key, target, true, toAnsi);
    collectExternalValues(key, target, toAnsi);
}

void ConfigStore::collectExternalValues(TextView key, StringList& target, bool toAnsi) const {
    CollectContext context{this, &target, !toAnsi};
    int32_t externalEnd = embeddedStart_ > 0 && embeddedStart_ <= length() ? embeddedStart_ : 0;
    TextString external(data(), externalEnd);
    lookupIn(external.c_str(), key, collectExpanded, &context, toAnsi, TextView());
}

void ConfigStore::refreshCurrentDirectory() {
    currentDirectory_ = currentDirectoryWithSeparator();
}

TextString ConfigStore::resolvePath(TextView path) const {
    TextString given(path);
    if (given.empty()) {
        return given;
    }
    if (given[0] == '\\' || given[0] == '/' || given.byteAt(1, '\0') == ':') {
        return given;
    }
    // Only the executable's directory: a file that happens to lie in the directory the user
    // started the program from must never be loaded in its place.
    return TextString::concat(exeDirectory_, given);
}

TextString ConfigStore::vmValue() {
    if (vmValue_.empty()) {
        vmValue_ = expand(getValue("vm"), false, this);
        if (vmValue_.empty()) {
            vmValue_ = TextString("-");
        }
    }
    return vmValue_;
}

ConfigStore* activeConfig = nullptr;
