// The few JNI helpers through which every call path of the launcher and its natives goes:
// an owned local reference, lookups that never leave an exception pending, and the check
// that clears a pending exception. Same on every platform.
#pragma once

#include <jni.h>

// Owns one JNI local reference and deletes it when it goes out of scope.
template <typename T>
class LocalRef {
  public:
    LocalRef(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    ~LocalRef() {
        if (ref_ != nullptr) {
            env_->DeleteLocalRef(ref_);
        }
    }
    T get() const { return ref_; }
    bool isNull() const { return ref_ == nullptr; }
    // Gives the reference to the caller, who deletes it.
    T release() {
        T ref = ref_;
        ref_ = nullptr;
        return ref;
    }

  private:
    JNIEnv* env_;
    T ref_;
};

// 1 when an exception was pending (now cleared, printed first if describe), else 0.
int checkException(JNIEnv* env, bool describe);

// Lookups that never leave an exception pending: null means "not found", and the exception
// the runtime raised for it has been cleared (after printing it on standard error when
// describe is set).
jclass findClassChecked(JNIEnv* env, const char* name, bool describe);
jmethodID findStaticMethodChecked(JNIEnv* env, jclass cls, const char* name, const char* signature,
                                  bool describe);
jmethodID findMethodChecked(JNIEnv* env, jclass cls, const char* name, const char* signature,
                            bool describe);
