// Splitting the configuration text into lines.
#include "config/line_reader.h"

bool LineReader::nextLine(TextString& line) {
    if (cursor_ == nullptr || *cursor_ == '\0') {
        return false;
    }
    const char* end = cursor_;
    while (*end != '\0' && *end != '\r' && *end != '\n') {
        ++end;
    }
    line.resize(0);
    line.append(cursor_, static_cast<int32_t>(end - cursor_));
    if ((end[0] == '\r' && end[1] == '\n') || (end[0] == '\n' && end[1] == '\r')) {
        end += 2;
    } else if (*end == '\r' || *end == '\n') {
        ++end;
    }
    cursor_ = end;
    return true;
}
