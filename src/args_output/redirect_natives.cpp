// The RedirOutputStream natives: the target from the field `h`, then the system's write.
#include "args_output/redirect_natives.h"

#include <atomic>

#include "base/jni_calls.h"
#include "platform/process.h"

namespace {

// The field ID of `h`, looked up on the first call; racing first calls store the same value.
std::atomic<jfieldID> handleField{nullptr};

// The target of the stream, or kNoOutput when the field cannot be read or was never set (0:
// no sink has that handle, see platform/process.h).
platform::OutputHandle targetOf(JNIEnv* env, jobject self) {
    if (self == nullptr) {
        return platform::kNoOutput;
    }
    jfieldID field = handleField.load();
    if (field == nullptr) {
        LocalRef<jclass> cls(env, env->GetObjectClass(self));
        field = cls.isNull() ? nullptr : env->GetFieldID(cls.get(), "h", "J");
        if (field == nullptr) {
            checkException(env, false);
            return platform::kNoOutput;
        }
        handleField.store(field);
    }
    jlong handle = env->GetLongField(self, field);
    return handle == 0 ? platform::kNoOutput : static_cast<platform::OutputHandle>(handle);
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_RedirOutputStream_write(JNIEnv* env, jobject self,
                                                                     jint b) {
    platform::OutputHandle target = targetOf(env, self);
    if (target == platform::kNoOutput) {
        return;
    }
    char byte = static_cast<char>(b & 0xff);
    platform::writeOutput(target, &byte, 1);
}

JNIEXPORT void JNICALL Java_com_tarnwick_wyn_RedirOutputStream_writeBytes(JNIEnv* env, jobject self,
                                                                          jbyteArray bytes,
                                                                          jint offset,
                                                                          jint length) {
    if (bytes == nullptr || offset < 0 || length <= 0) {
        return;
    }
    jsize size = env->GetArrayLength(bytes);
    if (offset > size || length > size - offset) {
        return;
    }
    platform::OutputHandle target = targetOf(env, self);
    if (target == platform::kNoOutput) {
        return;
    }
    // Copied out in chunks rather than pinned: a write to a command may block, and a pinned
    // array would hold up the collector all that time.
    jbyte chunk[16384];
    while (length > 0) {
        jint n =
            length < static_cast<jint>(sizeof(chunk)) ? length : static_cast<jint>(sizeof(chunk));
        env->GetByteArrayRegion(bytes, offset, n, chunk);
        if (checkException(env, false) != 0 || !platform::writeOutput(target, chunk, n)) {
            return;
        }
        offset += n;
        length -= n;
    }
}
}

const NativeClassBinding& redirOutputStreamNatives() {
    static const JNINativeMethod methods[] = {
        {const_cast<char*>("write"), const_cast<char*>("(I)V"),
         reinterpret_cast<void*>(&Java_com_tarnwick_wyn_RedirOutputStream_write)},
        {const_cast<char*>("writeBytes"), const_cast<char*>("([BII)V"),
         reinterpret_cast<void*>(&Java_com_tarnwick_wyn_RedirOutputStream_writeBytes)},
    };
    static const NativeClassBinding binding = {
        "com/tarnwick/wyn/RedirOutputStream", methods,
        static_cast<int>(sizeof(methods) / sizeof(methods[0]))};
    return binding;
}
