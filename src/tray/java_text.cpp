// Converting Java strings for the tray's shell records and menu items.
#include "tray/java_text.h"

#include "base/jni_calls.h"
#include "platform/codepage.h"

bool ansiFromJavaString(JNIEnv* env, jstring text, TextString& out) {
    out = TextString();
    if (text == nullptr) {
        return false;
    }
    jsize length = env->GetStringLength(text);
    const jchar* chars = env->GetStringChars(text, nullptr);
    if (chars == nullptr) {
        checkException(env, false);
        return false;
    }
    out = narrowFromWide(reinterpret_cast<const char16_t*>(chars), static_cast<int32_t>(length));
    env->ReleaseStringChars(text, chars);
    return true;
}
