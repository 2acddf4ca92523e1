// The runtime locator: finds the virtual-machine library of a Java runtime through the
// configured sources, once per process.
#include "runtime/runtime_locator.h"

#include <cctype>
#include <cstring>
#include <initializer_list>

#include "base/trace.h"
#include "config/config_store.h"
#include "config/messages.h"
#include "platform/codepage.h"
#include "platform/dynlib.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/java_runtime.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "runtime/embedded_runtime.h"
#include "runtime/runtime_selection.h"

namespace {

// The access test for one runtime library candidate, and the check that it was built for
// this process's machine (a 32-bit jvm.dll cannot be loaded by the 64-bit launcher, nor the
// other way round), traced; quietly, a candidate that is not there draws no line (a
// runtime's directories are probed for the library, and most of them do not hold it).
bool candidateReadable(const TextString& candidate, bool quietly = false) {
    if (!platform::canRead(candidate.c_str())) {
        if (!quietly) {
            trace("runtime candidate %s: not found", candidate.c_str());
        }
        return false;
    }
    if (platform::libraryMachine(candidate.c_str()) == platform::LibraryMachine::Differs) {
        trace("runtime candidate %s: built for another machine, skipped", candidate.c_str());
        return false;
    }
    trace("runtime candidate %s: found", candidate.c_str());
    return true;
}

// Registry values are read into a buffer of this many bytes, terminator included; a value
// that does not fit counts as absent.
constexpr int32_t kRegistryTextLimit = 260;

const char kSourceLetters[] = "cbrsie";

// The records of Oracle's installers, older ones first: CurrentVersion names the record
// of the runtime a user last installed.
const char* const kJavaSoftKeys[] = {
    "SOFTWARE\\JavaSoft\\JRE",
    "SOFTWARE\\JavaSoft\\Java Runtime Environment",
    "SOFTWARE\\JavaSoft\\JDK",
    "SOFTWARE\\JavaSoft\\Java Development Kit",
};

// Installers that keep <key>\{JDK|JRE}\<version>\{hotspot|openj9}\MSI with the value Path.
const char* const kVendorKeys[] = {
    "SOFTWARE\\Eclipse Adoptium",
    "SOFTWARE\\Eclipse Foundation",
    "SOFTWARE\\AdoptOpenJDK",
    "SOFTWARE\\Semeru",
};

struct LocatorState {
    // "-" until the first search; then the path that was found, or empty.
    TextString kept{"-"};
    // The skipped version closest to the bounds when nothing was found.
    TextString skippedVersion;
    // The places searched, one line each, for the message that nothing was found.
    TextString searched;
    // The runtime carried inside the program, once prepared.
    bool carriedPrepared = false;
    EmbeddedRuntime carried;
};

LocatorState& state() {
    static LocatorState located;
    return located;
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// The configured VM flavour, "-" when none is configured (or there is no configuration).
TextString flavour() {
    return activeConfig != nullptr ? activeConfig->vmValue() : TextString("-");
}

// Reads one registry value below HKLM, in the launcher's own view, as text. False when the
// key or the value is missing or the text does not fit the buffer with its terminator.
bool readRegistryText(const char* keyPath, const char* valueName, TextString& text) {
    platform::RegistryValue value;
    if (!platform::readRegistryValue(platform::RegistryRoot::LocalMachine, keyPath, valueName,
                                     value, platform::RegistryView::Own) ||
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

// Reads a registry value below HKLM, in the launcher's own view, that names a path: read in
// UTF-16 and given in its ANSI form (see platform/files.h), with readRegistryText's limit.
bool readRegistryPathText(const char* keyPath, const char* valueName, TextString& path) {
    return platform::readRegistryPath(platform::RegistryRoot::LocalMachine, keyPath, valueName,
                                      path, platform::RegistryView::Own) &&
           path.length() < kRegistryTextLimit;
}

StringList subkeys(const TextString& keyPath) {
    StringList names;
    platform::listRegistrySubkeys(platform::RegistryRoot::LocalMachine, keyPath.c_str(),
                                  platform::RegistryView::Own, names);
    return names;
}

TextString joinKey(TextView parent, TextView child) {
    TextString key(parent);
    key.append('\\');
    key.append(child);
    return key;
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

// The library named by one versioned installation record (keyPath\version): its RuntimeLib,
// else a search below its JavaHome.
TextString recordLibrary(const char* keyPath, const TextString& version) {
    TextString versionKey = joinKey(keyPath, version);
    TextString value;
    if (readRegistryPathText(versionKey.c_str(), "RuntimeLib", value)) {
        if (candidateReadable(value) && flavour().length() <= 1) {
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

// Offers what a home holds; true when the source need not offer more.
bool offerHome(RuntimeSelection& selection, TextView home, TextView recordVersion) {
    TextString library = findJvmInHome(home);
    return !library.empty() && selection.offer(library, recordVersion);
}

bool offerRecord(RuntimeSelection& selection, const char* keyPath, const TextString& version) {
    TextString library = recordLibrary(keyPath, version);
    return !library.empty() && selection.offer(library, version);
}

// The record that CurrentVersion names; true when the source need not offer more.
bool offerCurrentRecord(RuntimeSelection& selection, const char* keyPath) {
    TextString version;
    return readRegistryText(keyPath, "CurrentVersion", version) &&
           offerRecord(selection, keyPath, version);
}

// Every versioned record below keyPath other than the current one.
bool offerOtherRecords(RuntimeSelection& selection, const char* keyPath) {
    TextString current;
    if (!readRegistryText(keyPath, "CurrentVersion", current)) {
        current = TextString();
    }
    StringList versions = subkeys(TextString(keyPath));
    for (int32_t i = 0; i < versions.count(); ++i) {
        TextString version(versions.stringAt(i));
        if (version.compareNoCase(current) != 0 && offerRecord(selection, keyPath, version)) {
            return true;
        }
    }
    return false;
}

bool offerVendorRecords(RuntimeSelection& selection) {
    for (const char* vendor : kVendorKeys) {
        for (const char* kind : {"JDK", "JRE"}) {
            TextString kindKey = joinKey(vendor, kind);
            StringList versions = subkeys(kindKey);
            for (int32_t i = 0; i < versions.count(); ++i) {
                for (const char* vm : {"hotspot", "openj9"}) {
                    TextString msiKey =
                        joinKey(joinKey(joinKey(kindKey, versions.stringAt(i)), vm), "MSI");
                    TextString home;
                    if (readRegistryPathText(msiKey.c_str(), "Path", home) &&
                        offerHome(selection, home, versions.stringAt(i))) {
                        return true;
                    }
                }
            }
        }
    }
    TextString microsoft("SOFTWARE\\Microsoft\\JDK");
    StringList versions = subkeys(microsoft);
    for (int32_t i = 0; i < versions.count(); ++i) {
        TextString msiKey = joinKey(joinKey(microsoft, versions.stringAt(i)), "hotspot\\MSI");
        TextString home;
        if (readRegistryPathText(msiKey.c_str(), "Path", home) &&
            offerHome(selection, home, versions.stringAt(i))) {
            return true;
        }
    }
    TextString zulu("SOFTWARE\\Azul Systems\\Zulu");
    StringList names = subkeys(zulu);
    for (int32_t i = 0; i < names.count(); ++i) {
        TextString home;
        if (readRegistryPathText(joinKey(zulu, names.stringAt(i)).c_str(), "InstallationPath",
                                 home) &&
            offerHome(selection, home, TextView())) {
            return true;
        }
    }
    return false;
}

// Notes one place searched: the text, then an explanation in parentheses when given.
void noteSearched(TextView place, const char* why) {
    TextString& searched = state().searched;
    searched.append("  ");
    searched.append(place);
    if (why != nullptr) {
        searched.append(" (");
        searched.append(why);
        searched.append(')');
    }
    searched.append('\n');
}

void configuredLibrary(RuntimeSelection& selection) {
    if (activeConfig == nullptr) {
        return;
    }
    TextString value = activeConfig->jvmDll();
    if (value.empty()) {
        return;
    }
    TextString candidate = activeConfig->resolvePath(value);
    noteSearched(candidate, "jvmdll");
    if (candidateReadable(candidate)) {
        selection.offer(candidate, TextView());
    }
}

void shippedRuntime(RuntimeSelection& selection) {
    if (activeConfig == nullptr) {
        return;
    }
    TextString home = activeConfig->jre();
    if (home.empty()) {
        home = TextString("./jre/");
    }
    TextString resolved = activeConfig->resolvePath(home);
    noteSearched(resolved, "jre, beside the program");
    offerHome(selection, resolved, TextView());
}

// The installation records of Oracle's installers (the current record of each key first,
// then every other version), those of the vendors' installers, then what the platform
// names: the java on PATH, and on Linux the system's runtime directories.
void systemRuntime(RuntimeSelection& selection) {
    noteSearched(platform::kSystemRuntimePlaces, nullptr);
    for (const char* key : kJavaSoftKeys) {
        if (offerCurrentRecord(selection, key)) {
            return;
        }
    }
    for (const char* key : kJavaSoftKeys) {
        if (offerOtherRecords(selection, key)) {
            return;
        }
    }
    if (offerVendorRecords(selection)) {
        return;
    }
    StringList homes;
    int32_t preferred = platform::systemRuntimeHomes(homes);
    for (int32_t i = 0; i < homes.count(); ++i) {
        TextView home(homes.stringAt(i));
        if (i < preferred) {
            TextString library = findJvmInHome(home);
            if (!library.empty() && selection.offerPreferred(library)) {
                return;
            }
        } else if (offerHome(selection, home, TextView())) {
            return;
        }
    }
}

// The runtime carried inside the program, unpacked into the cache on first use. A failure
// lets the search go on (a runtime found elsewhere still starts the program); when nothing is
// found, the launch reports it (carriedRuntimeFailure).
void carriedRuntime(RuntimeSelection& selection) {
    LocatorState& located = state();
    if (!located.carriedPrepared) {
        located.carriedPrepared = true;
        located.carried =
            prepareEmbeddedRuntime(platform::executableFile().c_str(), platform::isElevated());
    }
    const EmbeddedRuntime& carried = located.carried;
    switch (carried.status) {
        case EmbeddedRuntimeStatus::Absent:
            // Most programs carry none: the report of a failed search does not mention it.
            break;
        case EmbeddedRuntimeStatus::Ready:
            noteSearched(carried.home, "the runtime inside the program");
            offerHome(selection, carried.home, TextView());
            break;
        case EmbeddedRuntimeStatus::Damaged:
            noteSearched("inside the program", "damaged");
            break;
        case EmbeddedRuntimeStatus::CacheFailed:
        case EmbeddedRuntimeStatus::NoAnsiForm:
            noteSearched(carried.place, "cannot unpack the runtime inside the program there");
            break;
        case EmbeddedRuntimeStatus::Untrusted:
            noteSearched(carried.place,
                         "the runtime inside the program is not unpacked there for a program "
                         "with administrator rights: users who are no administrators may "
                         "change that folder");
            break;
    }
}

void environmentRuntime(RuntimeSelection& selection) {
    for (const char* name : {"JRE_HOME", "JAVA_HOME"}) {
        TextString home = platform::getEnvPath(name);
        TextString place(name);
        if (home.empty()) {
            place.append(" not set");
        } else {
            place.append('=');
            place.append(home);
        }
        noteSearched(place, nullptr);
        if (!home.empty() && offerHome(selection, home, TextView())) {
            return;
        }
    }
}

void runSource(char letter, RuntimeSelection& selection) {
    switch (letter) {
        case 'c':
            configuredLibrary(selection);
            break;
        case 'b':
            shippedRuntime(selection);
            break;
        case 'r':
            carriedRuntime(selection);
            break;
        case 's':
            systemRuntime(selection);
            break;
        case 'i':
            offerCurrentRecord(selection, "SOFTWARE\\IBM\\Java2 Runtime Environment");
            break;
        case 'e':
            environmentRuntime(selection);
            break;
        default:
            break;
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
    return namesSource ? order : TextString(platform::kDefaultRuntimeOrder);
}

}  // namespace

TextString locateJvmLibrary() {
    LocatorState& located = state();
    if (located.kept != "-") {
        return located.kept;
    }
    located.kept = TextString();
    RuntimeSelection selection(activeConfig != nullptr ? activeConfig->minJre() : TextString(),
                               activeConfig != nullptr ? activeConfig->maxJre() : TextString());
    TextString order = sourceOrder();
    for (int32_t i = 0; i < order.length(); ++i) {
        runSource(order[i], selection);
        TextString chosen;
        if (selection.endSource(chosen)) {
            located.kept = chosen;
            return located.kept;
        }
    }
    located.skippedVersion = selection.closestSkippedVersion();
    return located.kept;
}

TextString runtimeSearchReport() {
    const LocatorState& located = state();
    if (located.searched.empty()) {
        return TextString();
    }
    TextString report("Looked for a Java runtime in:\n");
    report.append(located.searched);
    TextString order = sourceOrder();
    bool environment = std::strchr(order.c_str(), 'e') != nullptr;
    bool beside = std::strchr(order.c_str(), 'b') != nullptr;
    if (environment && beside) {
        report.append(
            "Set JAVA_HOME to the folder of a Java runtime, or put a runtime in a "
            "folder named jre beside the program.");
    } else if (environment) {
        report.append("Set JAVA_HOME to the folder of a Java runtime.");
    } else if (beside) {
        report.append("Put a Java runtime in a folder named jre beside the program.");
    } else {
        report.resize(report.length() - 1);
    }
    return report;
}

int carriedRuntimeFailure(TextString& text) {
    const EmbeddedRuntime& carried = state().carried;
    switch (carried.status) {
        case EmbeddedRuntimeStatus::Damaged: {
            TextString ansi = getMessage(kMessageProgramDamaged);
            WideString wide = wideFromNarrow(ansi.c_str(), ansi.length());
            text = utf8FromWide(wide.data(), wide.length());
            return kMessageProgramDamaged;
        }
        case EmbeddedRuntimeStatus::CacheFailed:
            text = runtimeCacheFailureMessage(carried.place, carried.reason);
            return kMessageRuntimeCacheFailed;
        case EmbeddedRuntimeStatus::NoAnsiForm:
            text = pathWithoutAnsiFormMessage(carried.place);
            return kMessagePathWithoutAnsiForm;
        default:
            return 0;
    }
}

TextString skippedRuntimeVersion() {
    return state().skippedVersion;
}

void forgetLocatedJvmLibrary() {
    state() = LocatorState();
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
        if (candidateReadable(candidate, true)) {
            return candidate;
        }
        if (vm.length() > 1) {
            candidate = TextString::concat(dir, vm);
            candidate.append('/');
            candidate.append(platform::kJvmLibraryName);
            if (candidateReadable(candidate, true)) {
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
            if (candidateReadable(candidate, true)) {
                return candidate;
            }
        }
    }
    trace("runtime home %s: no %s below it", base.c_str(), platform::kJvmLibraryName);
    return TextString();
}

TextString readRegistryRuntime(const char* keyPath) {
    TextString version;
    if (!readRegistryText(keyPath, "CurrentVersion", version)) {
        return TextString();
    }
    return recordLibrary(keyPath, version);
}
