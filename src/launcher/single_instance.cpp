// Building blocks of the single-instance guard.
#include "launcher/single_instance.h"

TextString singleInstanceMutexName(TextView appid, TextView programIdentity) {
    TextString name;
    if (appid.length > 0) {
        name = TextString(appid);
    } else {
        name = TextString::concat("wyn-image-", programIdentity);
    }
    for (int32_t i = 0; i < name.length(); ++i) {
        if (name[i] == ':' || name[i] == '\\') {
            name[i] = '.';
        }
    }
    name.append(".wyn.mutex");
    return name;
}
