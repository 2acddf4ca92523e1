// Choosing and opening the registry's shared block.
#include "instances/instance_block.h"

#include "base/trace.h"
#include "platform/files.h"

TextString instanceBlockKey(TextView appid) {
    TextString key;
    if (appid.length > 0) {
        key = TextString(appid);
        for (int32_t i = 0; i < key.length(); ++i) {
            if (key[i] == '\\') {
                key[i] = '.';
            }
        }
    } else {
        TextString identity;
        if (!platform::programIdentity(identity)) {
            return TextString();
        }
        key = TextString::concat("wyn-image-", identity);
    }
    key.append(".wyn.mapping");
    return key;
}

void openInstanceBlock(TextView appid, platform::SharedMemory& memory) {
    TextString failure = "the program file cannot be identified";
    TextString key = instanceBlockKey(appid);
    if (!key.empty() && platform::openSharedMemory(key.c_str(), memory, failure)) {
        trace("instances: block %s", memory.objectName.c_str());
        return;
    }
    trace("instances: running unlisted (%s)", failure.c_str());
    memory.view = nullptr;
}
