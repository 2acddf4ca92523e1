// The argument list handed to main and the vector of pointers into it.
#include "args_output/argument_list.h"

#include "base/command_line.h"
#include "platform/process.h"
#include "platform/wildcard_expansion.h"

StringList& argumentList() {
    static StringList list;
    return list;
}

ItemArray<char*>& argumentVector() {
    static ItemArray<char*> vector;
    return vector;
}

void buildArgumentList(int argc, char** argv, int mode) {
    StringList& list = argumentList();
    list.clear();
    if (mode != 1 && mode != 2) {
        // Without expansion the arguments are those the process was given.
        for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
            list.addString(TextView(argv[i]));
        }
        return;
    }

    TextString line = platform::rawCommandLine(argc, argv);
    ItemArray<char*> entries;
    ItemArray<int32_t> marks;
    splitCommandLine(line.data(), entries, &marks);
    for (int32_t i = 0; i < entries.length(); ++i) {
        const char* entry = entries[i];
        if (marks[i] == 0 || (mode == 1 && marks[i] != 1)) {
            list.addString(TextView(entry));
            continue;
        }
        StringList matches;
        expandWildcards(entry, matches);
        if (matches.count() == 0) {
            list.addString(TextView(entry));
        }
        for (int32_t m = 0; m < matches.count(); ++m) {
            list.addString(TextView(matches.stringAt(m)));
        }
    }
}

int toArgumentVector(ItemArray<char*>& vector) {
    StringList& list = argumentList();
    vector.resize(0);
    for (int32_t i = 0; i < list.count(); ++i) {
        vector.append(list.stringAt(i));
    }
    return vector.length();
}
