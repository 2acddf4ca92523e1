// Writing and checking the stamp of an unpacked runtime copy.
#include "runtime/runtime_copy_stamp.h"

#include <cinttypes>
#include <cstdio>

#include "platform/user_cache.h"

const char kRuntimeCopyStampName[] = ".wyn-copy-stamp";

namespace {

const char kStampHeader[] = "wyn-runtime-stamp 1\n";

TextString filePath(TextView copy, const char* path) {
    TextString full(copy);
    full.append('/');
    full.append(path);
    return full;
}

void appendLine(TextString& stamp, const platform::FileStamp& file, const char* path) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%" PRId64 " %" PRId64 " ", file.size, file.modified);
    stamp.append(numbers);
    stamp.append(path);
    stamp.append('\n');
}

}  // namespace

bool makeRuntimeCopyStamp(TextView copy, const StringList& paths, TextString& stamp) {
    stamp = TextString(kStampHeader);
    for (int32_t i = 0; i < paths.count(); ++i) {
        platform::FileStamp file;
        if (!platform::fileStamp(filePath(copy, paths.stringAt(i)).c_str(), file)) {
            return false;
        }
        appendLine(stamp, file, paths.stringAt(i));
    }
    return true;
}

bool runtimeCopyMatchesStamp(TextView copy, const StringList& paths, TextView stamp,
                             TextString& why) {
    TextString now(kStampHeader);
    for (int32_t i = 0; i < paths.count(); ++i) {
        platform::FileStamp file;
        const char* path = paths.stringAt(i);
        if (!platform::fileStamp(filePath(copy, path).c_str(), file)) {
            why.format("%s is missing", path);
            return false;
        }
        appendLine(now, file, path);
    }
    if (TextString(stamp).compare(now) == 0) {
        return true;
    }
    // Names the first line that differs.
    TextString stampText(stamp);
    int32_t line = 0;
    int32_t i = 0;
    while (i < now.length() && i < stampText.length() && now[i] == stampText[i]) {
        if (now[i] == '\n') {
            ++line;
        }
        ++i;
    }
    if (line == 0) {
        why = TextString("the stamp is not one this launcher wrote");
    } else if (line - 1 < paths.count()) {
        why.format("%s changed since it was unpacked (size or time)", paths.stringAt(line - 1));
    } else {
        why = TextString("the stamp names other files");
    }
    return false;
}
