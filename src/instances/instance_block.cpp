// Choosing and opening the registry's shared block.
#include "instances/instance_block.h"

#include "base/trace.h"

TextString instanceMappingName(TextView appid) {
    TextString name(appid);
    for (int32_t i = 0; i < name.length(); ++i) {
        if (name[i] == '\\') {
            name[i] = '.';
        }
    }
    name.append(".wyn.mapping");
    return name;
}

void openInstanceBlock(TextView appid, platform::SharedMemory& memory) {
    TextString failure;
    if (appid.length > 0) {
        TextString name = instanceMappingName(appid);
        if (platform::openNamedSharedMemory(name.c_str(), memory, failure)) {
            trace("instances: block %s", name.c_str());
            return;
        }
        trace("instances: no block %s (%s)", name.c_str(), failure.c_str());
        if (platform::openFallbackSharedMemory(memory, failure)) {
            trace("instances: the executable's block instead");
            return;
        }
    } else if (platform::openImageSharedMemory(memory, failure)) {
        trace("instances: the executable's block");
        return;
    }
    trace("instances: running unlisted (%s)", failure.c_str());
    memory.view = nullptr;
}
