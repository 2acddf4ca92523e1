// Reading the embedded configuration text of the launcher's own executable.
#include "config/payload.h"

bool readEmbeddedText(const char* executable, TextString& text, int64_t& mark) {
    text.resize(0);
    mark = -1;
    platform::FileReader file;
    if (!file.open(executable)) {
        return false;
    }
    FileSource source(file);
    ArchiveDirectory directory;
    mark = locatePayloadMark(source, directory);
    int32_t length = embeddedTextLengthAt(source, mark);
    if (length < 0 || length > kMaxEmbeddedTextSize) {
        return false;
    }
    text.resize(length);
    if (!source.read(mark - kPayloadLengthFieldSize - length, length,
                     reinterpret_cast<unsigned char*>(text.data()))) {
        text.resize(0);
        return false;
    }
    return true;
}
