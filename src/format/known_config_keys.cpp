// The keys the launcher reads (see known_config_keys.h).
#include "format/known_config_keys.h"

const char* const kKnownConfigKeys[] = {
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

const int32_t kKnownConfigKeyCount =
    static_cast<int32_t>(sizeof(kKnownConfigKeys) / sizeof(kKnownConfigKeys[0]));

bool isConfigKeyCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isKnownConfigKey(TextView word) {
    for (int32_t k = 0; k < kKnownConfigKeyCount; ++k) {
        const char* key = kKnownConfigKeys[k];
        int32_t i = 0;
        for (; i < word.length && key[i] != '\0'; ++i) {
            char c = word.data[i];
            if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != key[i]) {
                break;
            }
        }
        if (i == word.length && key[i] == '\0') {
            return true;
        }
    }
    return false;
}
