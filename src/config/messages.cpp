// The numbered messages: lookup, safe placeholder filling, and display.
#include "config/messages.h"

#include <cstring>

#include "config/config_store.h"
#include "config/message_overrides.h"
#include "platform/codepage.h"
#include "platform/resources.h"
#include "platform/ui.h"

namespace {

const MessageOverrides& processOverrides() {
    static MessageOverrides overrides;
    static bool built = false;
    if (!built && activeConfig != nullptr) {
        overrides.build(*activeConfig);
        built = true;
    }
    return overrides;
}

}  // namespace

bool messageOverridden(int id) {
    TextString text;
    return processOverrides().find(id, text);
}

TextString getMessage(int id) {
    TextString text;
    if (processOverrides().find(id, text)) {
        return text;
    }
    WideString wide;
    if (platform::loadStringResource(id, wide)) {
        return narrowFromWide(wide.data(), wide.length());
    }
    return TextString();
}

TextString formatMessage(TextView text, TextView version, TextView minjre, TextView maxjre) {
    const TextView arguments[] = {version, minjre, maxjre};
    int next = 0;
    TextString result;
    for (int32_t i = 0; i < text.length; ++i) {
        char c = text.data[i];
        char following = i + 1 < text.length ? text.data[i + 1] : '\0';
        if (c == '%' && following == 's') {
            if (next < 3) {
                result.append(arguments[next]);
            }
            ++next;
            ++i;
        } else if (c == '%' && following == '%') {
            result.append('%');
            ++i;
        } else {
            result.append(c);
        }
    }
    return result;
}

void showMessage(TextView text, void* owner) {
    TextString caption = getMessage(kMessageCaption);
    platform::showErrorBox(owner, TextString(text).c_str(), caption.c_str());
}

void showMessageAfterOutput(TextView text, TextView printed, void* owner) {
    TextString caption = getMessage(kMessageCaption);
    platform::showErrorBoxAfterOutput(owner, TextString(text).c_str(), TextString(printed).c_str(),
                                      caption.c_str());
}

void showMessageOfferingPage(TextView text, void* owner, TextView url) {
    TextString caption = getMessage(kMessageCaption);
    TextString question = getMessage(kMessageOpenDownloadPage);
    platform::showErrorBoxOfferingUrl(owner, TextString(text).c_str(), question.c_str(),
                                      caption.c_str(), TextString(url).c_str());
}

bool isWebAddress(TextView url) {
    TextString text(url);
    int32_t rest = 0;
    if (text.left(7).compareNoCase("http://") == 0) {
        rest = 7;
    } else if (text.left(8).compareNoCase("https://") == 0) {
        rest = 8;
    } else {
        return false;
    }
    if (text.length() == rest) {
        return false;
    }
    for (int32_t i = rest; i < text.length(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c <= ' ' || c >= 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr) {
            return false;
        }
    }
    return true;
}

TextString pathWithoutAnsiFormMessage(TextView exactPath) {
    TextString text = getMessage(kMessagePathWithoutAnsiForm);
    WideString wide = wideFromNarrow(text.c_str(), text.length());
    TextString utf8 = utf8FromWide(wide.data(), wide.length());
    return formatMessage(utf8, exactPath, TextView(), TextView());
}

TextString runtimeCacheFailureMessage(TextView place, TextView reason) {
    TextString text = getMessage(kMessageRuntimeCacheFailed);
    WideString wide = wideFromNarrow(text.c_str(), text.length());
    TextString utf8 = utf8FromWide(wide.data(), wide.length());
    return formatMessage(utf8, place, reason, TextView());
}

void showMessageUtf8(TextView text, void* owner) {
    TextString caption = getMessage(kMessageCaption);
    WideString wide = wideFromNarrow(caption.c_str(), caption.length());
    platform::showErrorBoxUtf8(owner, TextString(text).c_str(),
                               utf8FromWide(wide.data(), wide.length()).c_str());
}
