// The launcher's one handle on the Java runtime inside its own process: the option list,
// the loaded runtime library, the virtual machine and the creating thread's JNIEnv, plus the
// few Java calls the launcher makes itself.
//
// Results are LaunchResults (launcher/launch_result.h): Success, or the message that names
// the failure (RuntimeNotValid, VmStartFailed, MainClassNotFound, MainMethodMissing).
//
// Windows: jvm.dll, its own directory searched first for its dependencies, with one retry
// after putting the library's parent directory on PATH.
// Linux: libjvm.so loaded by its full path; the loader reads its search path only at process
// start, so there is no retry.
//
// Important: no operation leaves a Java exception pending. Every lookup goes through the
// checked helpers below, which clear what a failed lookup raised, and every call into Java is
// followed by checkException.
#pragma once

#include <jni.h>

#include <cstdint>

#include "base/jni_calls.h"
#include "base/text.h"
#include "launcher/launch_result.h"
#include "platform/dynlib.h"

class JvmSession {
  public:
    JvmSession() = default;
    JvmSession(const JvmSession&) = delete;
    JvmSession& operator=(const JvmSession&) = delete;
    ~JvmSession();

    void addOption(TextView text);
    const StringList& options() const { return options_; }
    // A hook option of the invocation API ("exit", "abort" or "vfprintf") with its function,
    // handed to the runtime after the text options at the next creation.
    void addHook(const char* name, void* function);

    // Success when the library is loaded, else RuntimeNotValid with the loader's reason on
    // standard error.
    [[nodiscard]] LaunchResult loadRuntime(const char* path);
    // Loads the library unless loadRuntime already did, then creates the virtual machine with
    // the options added so far, which are given up whatever the outcome. Success,
    // RuntimeNotValid (not loadable or no creation entry point) or VmStartFailed (creation
    // failed, or a machine already exists).
    [[nodiscard]] LaunchResult createVm(const char* path);
    // True when the query ran (output set to java.version, unchanged if it is null).
    [[nodiscard]] bool queryJavaVersion(TextString& output);
    // A class by its dotted or slashed name; null (the runtime's error printed) when missing.
    [[nodiscard]] jclass findClassByName(const char* name);
    // Calls className.main with the configured values (each split like a command line, in
    // place) followed by argv. Success once main has returned normally; MainThrew when it
    // ended with an uncaught exception (printed on standard error); MainClassNotFound;
    // MainMethodMissing (no static main(String[])); VmStartFailed when the argument array
    // cannot be built (main not called).
    [[nodiscard]] LaunchResult callMain(const char* className, StringList& argumentValues, int argc,
                                        char** argv);
    // A String[] of the leading then the further arguments, converted from the ANSI code page;
    // null (with the cause printed) when any part of it cannot be made.
    [[nodiscard]] jobjectArray buildStringArray(int leadingCount, char** leading, int furtherCount,
                                                char** further);
    // Sets the calling thread's context class loader; env null means the session's own.
    void setContextLoader(jobject loader, JNIEnv* env);
    // Destroys the virtual machine, which waits for the application's non-daemon threads; the
    // library stays loaded. Safe to call again.
    void destroyVm();
    // Forgets the library without freeing it, for when a thread may still run in it.
    void keepLibraryLoaded() { library_ = nullptr; }
    // Destroys the virtual machine (if destroyVm has not) and frees the library. Safe to call
    // again: what is gone is not freed twice.
    void unload();

    static void callSystemExit(JNIEnv* env, int status);
    static void reportLoadError(const char* path);

    platform::LibraryHandle library() const { return library_; }
    JavaVM* vm() const { return vm_; }
    JNIEnv* env() const { return env_; }

  private:
    struct Hook {
        const char* name;
        void* function;
    };

    StringList options_;
    ItemArray<Hook> hooks_;
    platform::LibraryHandle library_ = nullptr;
    JavaVM* vm_ = nullptr;
    JNIEnv* env_ = nullptr;
};
