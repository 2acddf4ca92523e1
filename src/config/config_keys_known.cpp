// The keys the launcher reads, and the trace of lines with any other key.
#include "config/config_keys_known.h"

#include "base/trace.h"
#include "config/line_reader.h"

namespace {

constexpr const char* kKeys[] = {
    "appid",
    "splash",
    "splashtitle",
    "splashcloseonwindow",
    "wildcard",
    "singleinstance",
    "mainclass",
    "minjre",
    "maxjre",
    "stdout",
    "stderr",
    "forcecwd",
    "disableexternal",
    "vm",
    "jre_order",
    "jre",
    "jvmdll",
    "option",
    "property",
    "export",
    "argv",
    "message",
    "libs",
    "java_libs",
    "classpath",
    "java_classpath",
    "cds",
    "trace",
    "jredownloadurl",
    "appusermodelid",
};

bool isKeyByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

bool isKnownConfigKey(TextView word) {
    TextString key(word);
    for (const char* known : kKeys) {
        if (key.compareNoCase(known) == 0) {
            return true;
        }
    }
    return false;
}

void traceUnknownKeys(TextView text, const char* source) {
    TextString copy(text);
    LineReader reader(copy.c_str());
    TextString line;
    int32_t number = 0;
    while (reader.nextLine(line)) {
        ++number;
        int32_t start = 0;
        while (start < line.length() && line[start] == ' ') {
            ++start;
        }
        int32_t end = start;
        while (end < line.length() && isKeyByte(line[end])) {
            ++end;
        }
        if (end > start && !isKnownConfigKey(TextView(line.c_str() + start, end - start))) {
            trace("%s configuration line %d: unknown key '%.*s', ignored", source, number,
                  static_cast<int>(end - start), line.c_str() + start);
        }
    }
}
