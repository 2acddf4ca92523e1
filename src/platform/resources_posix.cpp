// Resources on Linux: an ELF stub has none, so the default messages are compiled in from the
// same list that builds the Windows string table.
#include "platform/resources.h"

namespace platform {

namespace {

struct DefaultMessage {
    int id;
    const char* text;
};

const DefaultMessage kDefaultMessages[] = {
#define WYN_MESSAGE(id, text) {id, text},
#include "resources/default_messages.inc"
#undef WYN_MESSAGE
};

}  // namespace

bool loadStringResource(int id, WideString& out) {
    for (const DefaultMessage& message : kDefaultMessages) {
        if (message.id == id) {
            out = wideFromUtf8(message.text, -1);
            return true;
        }
    }
    out.resize(0);
    return false;
}

}  // namespace platform
