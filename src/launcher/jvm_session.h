// The launcher's one handle on the Java runtime inside its own process: the option list,
// the loaded runtime library, the virtual machine and the creating thread's JNIEnv, plus the
// few Java calls the launcher makes itself.
//
// Result codes are message ids: 0 success, 2 runtime not valid, 4 creation failed,
// 7 main class not found, 8 no main method.
//
// Windows: jvm.dll, with one retry after putting the library's parent directory on PATH.
// Linux: libjvm.so loaded by its full path; the loader reads its search path only at process
// start, so there is no retry.
#pragma once

#include <jni.h>

#include <cstdint>

#include "config/text.h"
#include "platform/dynlib.h"

class JvmSession {
  public:
    JvmSession() = default;
    JvmSession(const JvmSession&) = delete;
    JvmSession& operator=(const JvmSession&) = delete;
    ~JvmSession();

    void addOption(TextView text);
    const StringList& options() const { return options_; }

    int loadRuntime(const char* path);
    int createVm(const char* path);
    // 1 when the query ran (output set to java.version, unchanged if it is null), else 0.
    int queryJavaVersion(TextString& output);
    jclass findClassByName(const char* name);
    int callMain(const char* className, StringList& argumentValues, int argc, char** argv);
    jobjectArray buildStringArray(int leadingCount, char** leading, int furtherCount,
                                  char** further);
    void setContextLoader(jobject loader, JNIEnv* env);
    void unload();

    static int checkException(JNIEnv* env, bool describe);
    static void callSystemExit(JNIEnv* env, int status);
    static void reportLoadError(const char* path);

    platform::LibraryHandle library() const { return library_; }
    JavaVM* vm() const { return vm_; }
    JNIEnv* env() const { return env_; }

  private:
    StringList options_;
    platform::LibraryHandle library_ = nullptr;
    JavaVM* vm_ = nullptr;
    JNIEnv* env_ = nullptr;
};
