// Replacement texts for the numbered messages.
#include "config/message_overrides.h"

#include "config/config_store.h"

TextString unescapeMessage(TextView text) {
    TextString result;
    for (int32_t i = 0; i < text.length; ++i) {
        char c = text.data[i];
        if (c != '\\') {
            result.append(c);
            continue;
        }
        if (++i >= text.length) {
            break;
        }
        switch (text.data[i]) {
            case 'n':
                result.append('\n');
                break;
            case 'r':
                result.append('\r');
                break;
            case 't':
                result.append('\t');
                break;
            default:
                result.append(text.data[i]);
        }
    }
    return result;
}

int32_t parseMessageId(TextView text) {
    int32_t i = 0;
    while (i < text.length &&
           (text.data[i] == ' ' || (text.data[i] >= '\t' && text.data[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.length && (text.data[i] == '+' || text.data[i] == '-')) {
        negative = text.data[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.length && text.data[i] >= '0' && text.data[i] <= '9'; ++i) {
        value = value * 10 + (text.data[i] - '0');
        if (value > INT32_MAX) {
            return 0;
        }
    }
    return negative ? static_cast<int32_t>(-value) : static_cast<int32_t>(value);
}

void MessageOverrides::build(const ConfigStore& store) {
    pairs_.clear();
    texts_.clear();
    StringList values;
    store.collectMessages(values);
    for (int32_t i = 0; i < values.count(); ++i) {
        TextView value(values.stringAt(i));
        int32_t equals = 0;
        while (equals < value.length && value.data[equals] != '=') {
            ++equals;
        }
        if (equals >= value.length) {
            continue;
        }
        int32_t id = parseMessageId(TextView(value.data, equals));
        if (id <= 0) {
            continue;
        }
        pairs_.append(id);
        pairs_.append(texts_.count());
        texts_.addString(
            unescapeMessage(TextView(value.data + equals + 1, value.length - equals - 1)));
    }
    pairs_.append(0);
    pairs_.append(0);
}

bool MessageOverrides::find(int32_t id, TextString& text) const {
    // Only positive ids are overridden; the closing (0, 0) pair names no message.
    if (id <= 0) {
        return false;
    }
    for (int32_t i = 0; i + 1 < pairs_.length(); i += 2) {
        if (pairs_[i] == id && pairs_[i + 1] >= 0 && pairs_[i + 1] < texts_.count()) {
            text = TextString(texts_.stringAt(pairs_[i + 1]));
            return true;
        }
    }
    return false;
}
