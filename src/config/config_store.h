// The configuration store: the configuration text (external file lines, CR LF, embedded
// lines; all UTF-8) and every question the launcher asks of it.
//
// There is no parsed form: each lookup walks the text line by line, so order in the text is
// precedence (external lines first), and repeatable keys are read in text order, except
// `option` and `property`, whose external values are handed over after the embedded ones.
// Values come out in ANSI unless a caller asks for UTF-8. The store also records the
// executable's exact path (by which it reads the payload and the external file), its path and
// directory as handed on in ANSI (empty when the path has no ANSI form, see
// platform/files.h), and the current directory (with a trailing separator).
//
// Platforms: the same on Windows and Linux; paths come from platform/files.h.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "config/expanded_text.h"

class ConfigStore : public TextString {
  public:
    // Called for every matching line by lookup() with a callback.
    using LineCallback = void (*)(void* context, const TextString& value);

    // With load set, reads the external file and the payload of the running executable.
    explicit ConfigStore(bool load);
    ~ConfigStore() override;

    // Loads from another executable file, given by its exact path (as the running one does at
    // construction), so that tests can read crafted and packed executables.
    void loadFrom(const char* executable);

    // The one search primitive. Without callback: the first matching value (empty if none).
    // With callback: calls it for every matching value in text order and returns empty.
    TextString lookup(TextView key, LineCallback callback, void* context, bool embeddedOnly,
                      bool toAnsi, TextView filter) const;
    TextString getValue(TextView key, bool embeddedOnly = false, bool toAnsi = true) const;
    TextString getValueMatching(TextView key, TextView filter, bool embeddedOnly = false,
                                bool toAnsi = true) const;
    // Every value of key, each expanded, added to target in text order.
    void collectValues(TextView key, StringList& target, bool embeddedOnly = false,
                       bool toAnsi = true) const;
    // The same with the embedded lines first and the external file's lines after them, so
    // that the external file wins where the last value counts.
    void collectValuesExternalLast(TextView key, StringList& target, bool toAnsi = true) const;
    // Every value of key in the external file only, each expanded, in text order.
    void collectExternalValues(TextView key, StringList& target, bool toAnsi = true) const;

    TextString exeFile() const { return exeFile_; }
    TextString exePath() const { return exePath_; }
    TextString exeDirectory() const { return exeDirectory_; }
    TextString currentDirectory() const { return currentDirectory_; }
    int32_t embeddedStart() const { return embeddedStart_; }
    // True when the executable ends in a whole payload (configuration text and archive); false
    // for a file cut short, such as an interrupted download.
    bool hasPayload() const { return payloadFound_; }
    void refreshCurrentDirectory();

    // Anchors a relative path at the executable's directory (never the current directory, which
    // is wherever the user started the program). Absolute paths and drive paths stay as given.
    TextString resolvePath(TextView path) const;

    // The expanded `vm` value, "-" when it is empty; cached on the first call.
    TextString vmValue();

    // One getter per key (see README.md for what each key does).
    TextString appid() const;
    TextString appUserModelId() const;  // UTF-8
    TextString splash() const;
    // The `splash` value as the name of an entry of the packed archive: expanded, in UTF-8
    // (as entry names are), with '\\' turned into '/'; empty for an absolute path.
    TextString splashEntry() const;
    TextString splashTitle() const;
    TextString splashCloseOnWindow() const;
    TextString wildcard() const;
    TextString singleInstance() const;
    TextString mainClass() const;
    TextString minJre() const;
    TextString maxJre() const;
    // Expanded, with the places of the inserted values (for command lines).
    ExpandedText stdoutTarget() const;
    ExpandedText stderrTarget() const;
    TextString traceFile() const;
    TextString jreDownloadUrl() const;
    TextString forceCwd() const;
    TextString disableExternal() const;
    TextString jreOrder() const;
    TextString jre() const;
    TextString jvmDll() const;
    TextString cds() const;
    TextString startOnFirstThreadOption() const;
    // Embedded values first, then the external file's: the runtime takes the last value of
    // an option such as -Xmx and of a property, so the external file wins. Options that
    // `java` takes in two words are joined within each source (config/option_words.h).
    void collectOptions(StringList& target) const;
    void collectProperties(StringList& target) const;  // UTF-8
    void collectExports(StringList& target) const;
    void collectArgv(StringList& target) const;
    void collectMessages(StringList& target) const;
    void collectLibs(StringList& target) const;
    void collectJavaLibs(StringList& target) const;

  private:
    // lookup() over the lines of text (a NUL-terminated part of the store's text).
    static TextString lookupIn(const char* text, TextView key, LineCallback callback, void* context,
                               bool toAnsi, TextView filter);

    int32_t embeddedStart_ = 0;
    TextString exeFile_;
    TextString exePath_;
    TextString exeDirectory_;
    TextString currentDirectory_;
    TextString vmValue_;
    int64_t payloadMark_ = -1;
    bool payloadFound_ = false;
};

// The store of this process, set by the entry before anything reads the configuration and
// cleared at teardown. Value expansion, the message table, the runtime discovery and the
// natives reach the configuration through it; a plain pointer without a lock.
extern ConfigStore* activeConfig;
