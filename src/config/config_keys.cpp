// The typed getters of the configuration store: how each key is read.
//
// Keys read from the embedded text only (an external file cannot change them): mainclass,
// disableexternal. `option` and `property` values come embedded first, external last. Values
// expanded before they are returned: splash, stdout, stderr, trace, forcecwd, vm, jre, jvmdll, and
// every value of the repeatable keys (jredownloadurl is not). property values stay in UTF-8;
// everything else comes out in ANSI. stdout and stderr keep the places of inserted values, so
// that a command line can take each as one literal word.
#include "config/config_store.h"
#include "config/option_words.h"
#include "config/value_expansion.h"

namespace {

TextString expanded(const ConfigStore& store, const char* key) {
    return expand(store.getValue(key), false, &store);
}

}  // namespace

TextString ConfigStore::appid() const {
    return getValue("appid");
}

// Not expanded, and in UTF-8: the identity is handed to the system as UTF-16.
TextString ConfigStore::appUserModelId() const {
    return getValue("appusermodelid", false, false);
}

TextString ConfigStore::splash() const {
    return resolvePath(expanded(*this, "splash"));
}

TextString ConfigStore::splashEntry() const {
    TextString name = expand(getValue("splash", false, false), true, this);
    if (name.empty() || name[0] == '\\' || name[0] == '/' || name.byteAt(1, '\0') == ':') {
        return TextString();
    }
    for (int32_t i = 0; i < name.length(); ++i) {
        if (name[i] == '\\') {
            name[i] = '/';
        }
    }
    return name;
}

TextString ConfigStore::splashTitle() const {
    return getValue("splashtitle");
}

TextString ConfigStore::splashCloseOnWindow() const {
    return getValue("splashcloseonwindow");
}

TextString ConfigStore::wildcard() const {
    return getValue("wildcard");
}

TextString ConfigStore::singleInstance() const {
    return getValue("singleinstance");
}

TextString ConfigStore::mainClass() const {
    return getValue("mainclass", true);
}

TextString ConfigStore::minJre() const {
    return getValue("minjre");
}

TextString ConfigStore::maxJre() const {
    return getValue("maxjre");
}

ExpandedText ConfigStore::stdoutTarget() const {
    return expandMarked(getValue("stdout"), false, this);
}

ExpandedText ConfigStore::stderrTarget() const {
    return expandMarked(getValue("stderr"), false, this);
}

TextString ConfigStore::traceFile() const {
    TextString value = expanded(*this, "trace");
    return value.empty() ? value : resolvePath(value);
}

// Not expanded: an address's percent-encoding ("%20") would be taken for references.
TextString ConfigStore::jreDownloadUrl() const {
    return getValue("jredownloadurl");
}

TextString ConfigStore::forceCwd() const {
    return expanded(*this, "forcecwd");
}

TextString ConfigStore::disableExternal() const {
    return getValue("disableexternal", true);
}

TextString ConfigStore::jreOrder() const {
    return getValue("jre_order");
}

TextString ConfigStore::jre() const {
    return expanded(*this, "jre");
}

TextString ConfigStore::jvmDll() const {
    return expanded(*this, "jvmdll");
}

TextString ConfigStore::cds() const {
    return getValue("cds");
}

TextString ConfigStore::startOnFirstThreadOption() const {
    return getValueMatching("option", "-XstartOnFirstThread");
}

void ConfigStore::collectOptions(StringList& target) const {
    // Two-word options are joined within each source, never across the two.
    StringList embedded;
    collectValues("option", embedded, true);
    appendJoiningTwoWordOptions(embedded, target);
    StringList external;
    collectExternalValues("option", external);
    appendJoiningTwoWordOptions(external, target);
}

void ConfigStore::collectProperties(StringList& target) const {
    collectValuesExternalLast("property", target, false);
}

void ConfigStore::collectExports(StringList& target) const {
    collectValues("export", target);
}

void ConfigStore::collectArgv(StringList& target) const {
    collectValues("argv", target);
}

void ConfigStore::collectMessages(StringList& target) const {
    collectValues("message", target);
}

void ConfigStore::collectLibs(StringList& target) const {
    collectValues("libs", target);
}

void ConfigStore::collectJavaLibs(StringList& target) const {
    collectValues("java_libs", target);
}
