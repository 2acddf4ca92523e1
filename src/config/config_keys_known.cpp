// The trace of configuration lines with a key the launcher does not read.
#include "config/config_keys_known.h"

#include "base/trace.h"
#include "config/line_reader.h"

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
        while (end < line.length() && isConfigKeyCharacter(line[end])) {
            ++end;
        }
        if (end > start && !isKnownConfigKey(TextView(line.c_str() + start, end - start))) {
            trace("%s configuration line %d: unknown key '%.*s', ignored", source, number,
                  static_cast<int>(end - start), line.c_str() + start);
        }
    }
}
