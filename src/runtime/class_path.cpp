// The class path: the executable itself first, then configured entries, patterns, library
// directories and the environment's class path, each written behind the separator.
#include "runtime/class_path.h"

#include <cstring>
#include <initializer_list>

#include "base/trace.h"
#include "config/config_store.h"
#include "config/value_expansion.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/java_runtime.h"
#include "platform/wildcard_expansion.h"

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool hasWildcard(const TextString& text) {
    for (int32_t i = 0; i < text.length(); ++i) {
        if (text[i] == '*' || text[i] == '?') {
            return true;
        }
    }
    return false;
}

void appendEntry(TextString& accumulated, TextView entry) {
    accumulated.append(platform::kClassPathSeparator);
    accumulated.append(entry);
}

// ".jar" or ".zip" in any letter case, taken from the last '.' of the name.
bool isArchiveName(const TextString& name) {
    int32_t dot = name.length() - 1;
    while (dot >= 0 && name[dot] != '.') {
        --dot;
    }
    if (dot < 0) {
        return false;
    }
    TextString extension = name.tail(dot);
    return extension.compareNoCase(TextView(".jar")) == 0 ||
           extension.compareNoCase(TextView(".zip")) == 0;
}

// The identities of the directories on the current recursion path, from the library
// directory down to the one being scanned.
class DirectoryPath {
  public:
    // Enters a directory: false when it is already on the path (a link back to an ancestor,
    // which would make the scan go round for ever). A directory whose identity cannot be learnt
    // counts as new.
    bool enter(const char* path) {
        TextString id;
        if (!platform::directoryIdentity(path, id)) {
            ids_.addString("");
            return true;
        }
        for (int32_t i = 0; i < ids_.count(); ++i) {
            if (id == ids_.stringAt(i)) {
                return false;
            }
        }
        ids_.addString(id);
        return true;
    }
    // Leaves the directory entered last.
    void leave() { ids_.removeLast(); }

  private:
    StringList ids_;
};

void scanDirectory(TextView directory, TextString& accumulated, DirectoryPath& path) {
    TextString base(directory);
    if (base.empty() || !isSeparator(base[base.length() - 1])) {
        base.append('/');
    }
    if (!path.enter(base.c_str())) {
        return;
    }
    platform::DirectoryEnumeration entries(TextString::concat(base, TextView("*")).c_str());
    platform::DirectoryEntry entry;
    while (entries.next(entry)) {
        if (entry.name == "." || entry.name == "..") {
            continue;
        }
        if (entry.isDirectory) {
            scanDirectory(TextString::concat(base, entry.name), accumulated, path);
        } else if (isArchiveName(entry.name)) {
            appendEntry(accumulated, TextString::concat(base, entry.name));
        }
    }
    path.leave();
}

void addLineEntries(void* context, const TextString& line) {
    auto* accumulated = static_cast<TextString*>(context);
    int32_t before = accumulated->length();
    addClassPathEntries(*accumulated, line);
    if (accumulated->length() == before) {
        // A pattern that matches nothing or a reference that is not set: the line is silently
        // without effect, which is worth a line when a class is not found.
        trace("class path line '%s' adds no entry", line.c_str());
    }
}

}  // namespace

void addClassPathEntries(TextString& accumulated, TextView line) {
    int32_t start = 0;
    while (start <= line.length) {
        int32_t end = start;
        while (end < line.length &&
               std::strchr(platform::kClassPathLineSeparators, line.data[end]) == nullptr) {
            ++end;
        }
        if (end > start) {
            TextString entry = expand(TextView(line.data + start, end - start), false);
            if (hasWildcard(entry)) {
                // A relative pattern is anchored like a plain entry, so the runtime gets
                // absolute entries that do not depend on where the user started the program.
                TextString anchored =
                    activeConfig != nullptr ? activeConfig->resolvePath(entry) : entry;
                StringList matches;
                expandWildcards(anchored.c_str(), matches, anchored.length() - entry.length());
                for (int32_t i = 0; i < matches.count(); ++i) {
                    appendEntry(accumulated, TextView(matches.stringAt(i)));
                }
            } else if (!entry.empty()) {
                // An entry that expands to nothing adds nothing: an empty class path entry
                // would make the JVM search the current directory.
                appendEntry(accumulated,
                            activeConfig != nullptr ? activeConfig->resolvePath(entry) : entry);
            }
        }
        start = end + 1;
    }
}

void scanLibraryDir(TextView directory, TextString& accumulated) {
    // An empty directory names nothing; scanning it as "/" would walk the whole disk.
    if (directory.length == 0) {
        return;
    }
    DirectoryPath path;
    scanDirectory(directory, accumulated, path);
}

TextString buildClassPath(ClassPathForm form) {
    bool general = form == ClassPathForm::General;
    TextString text = general ? TextString() : platform::executablePath();
    if (activeConfig != nullptr) {
        TextString entries;
        activeConfig->lookup(TextView(general ? "classpath" : "java_classpath"), addLineEntries,
                             &entries, false, true, TextView());
        text.append(entries);

        StringList directories;
        if (general) {
            activeConfig->collectLibs(directories);
        } else {
            activeConfig->collectJavaLibs(directories);
        }
        for (int32_t i = 0; i < directories.count(); ++i) {
            TextString archives;
            scanLibraryDir(activeConfig->resolvePath(TextView(directories.stringAt(i))), archives);
            text.append(archives);
        }
    }
    if (general) {
        for (const char* name : {"CLASSPATH", "CLASS_PATH"}) {
            if (const char* value = platform::getEnv(name)) {
                appendEntry(text, TextView(value));
            }
        }
    }
    return text;
}

TextString classPathText() {
    TextString general = buildClassPath(ClassPathForm::General);
    TextString text = buildClassPath(ClassPathForm::Executable);
    text.append(platform::kClassPathSeparator);
    text.append(general);
    return text;
}

TextString withoutEmptyEntries(TextView classPath) {
    TextString result;
    int32_t start = 0;
    for (int32_t i = 0; i <= classPath.length; ++i) {
        if (i < classPath.length && classPath.data[i] != platform::kClassPathSeparator) {
            continue;
        }
        if (i > start) {
            if (!result.empty()) {
                result.append(platform::kClassPathSeparator);
            }
            result.append(TextView(classPath.data + start, i - start));
        }
        start = i + 1;
    }
    return result;
}
