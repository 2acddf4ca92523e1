// The main class of a packed application (see main_class.h).
#include "main_class.h"

#include "class_file.h"
#include "config_text.h"
#include "jar_manifest.h"

namespace wynpack {

namespace {

constexpr const char* kManifest = "META-INF/MANIFEST.MF";
// Deeper class hierarchies than this are not followed for an inherited main.
constexpr int kMaxHierarchy = 64;

// The first jar that holds the entry, or false.
bool findHolder(const ArchiveMerger& jars, const std::string& entry, size_t& holder) {
    for (size_t s = 0; s < jars.sourceCount(); ++s) {
        if (jars.hasEntry(s, entry)) {
            holder = s;
            return true;
        }
    }
    return false;
}

}  // namespace

bool completeMainClass(std::string& utf8, const ArchiveMerger& jars, const std::string& configPath,
                       const MessageSink& note, Problem& problem) {
    if (!firstKeyLine(utf8, "mainclass").found && jars.sourceCount() > 0 &&
        jars.hasEntry(0, kManifest)) {
        std::string manifest;
        if (!jars.readEntry(0, kManifest, manifest, problem)) {
            return false;
        }
        std::string mainClass = manifestMainAttribute(manifest, "Main-Class");
        if (!mainClass.empty()) {
            if (!utf8.empty() && utf8.back() != '\n' && utf8.back() != '\r') {
                utf8 += "\r\n";
            }
            utf8 += "mainclass " + mainClass + "\r\n";
            note("no mainclass line in " + quoted(configPath) + "; took Main-Class " + mainClass +
                 " from the manifest of " + quoted(jars.sourcePath(0)));
        }
    }
    std::string reason;
    if (!checkConfigText(utf8, reason)) {
        if (reason.find("has no mainclass line") != std::string::npos) {
            reason += ", and the first jar's manifest names no Main-Class";
        }
        return fail(problem, ExitStatus::BadInput,
                    "configuration file " + quoted(configPath) + " " + reason);
    }
    return true;
}

bool checkMainClass(const std::string& value, bool classPathConfigured, const ArchiveMerger& jars,
                    const MessageSink& warning, Problem& problem) {
    std::string name = value.substr(0, value.find_last_not_of(" \t") + 1);
    for (char& c : name) {
        c = c == '.' ? '/' : c;
    }
    size_t holder = 0;
    if (!findHolder(jars, name + ".class", holder)) {
        std::string missing =
            "mainclass " + value + " is in none of the jars (no " + name + ".class)";
        if (classPathConfigured) {
            warning(missing + "; it must come from the configured class path");
            return true;
        }
        return fail(problem, ExitStatus::BadInput, missing);
    }
    std::string current = name;
    for (int depth = 0; depth < kMaxHierarchy; ++depth) {
        std::string bytes;
        ClassSummary summary;
        if (!jars.readEntry(holder, current + ".class", bytes, problem)) {
            return false;
        }
        if (!readClassSummary(bytes, summary)) {
            warning("cannot read the class file " + current + ".class in " +
                    quoted(jars.sourcePath(holder)) + "; the launcher may fail to start it");
            return true;
        }
        if (summary.declaresMain) {
            return true;
        }
        // A superclass outside the jars (other than Object) may still declare main.
        if (summary.superName.empty() || summary.superName == "java/lang/Object") {
            break;
        }
        if (!findHolder(jars, summary.superName + ".class", holder)) {
            return true;
        }
        current = summary.superName;
    }
    warning("mainclass " + value +
            " has no public static void main(String[]); the launcher cannot start it");
    return true;
}

}  // namespace wynpack
