// The name under which a Java runtime of the running program's width looks up a native method
// in a loaded module: a 32-bit Windows runtime takes the stdcall-decorated name
// ("_<name>@<argument bytes>"), every other runtime the plain name. The test runtime binds the
// launcher's natives by it, and the tests that call natives look them up by it, so that a
// wrong decoration in the executable's export table fails.
#pragma once

#include <jni.h>

#include <cstring>
#include <string>

// name: "Java_<class>_<method>"; signature: the method's JNI signature ("(I)V"). Empty for a
// malformed signature.
inline std::string nativeExportName(const char* name, const char* signature) {
#if defined(_WIN32) && !defined(_WIN64)
    // __stdcall: the callee pops its arguments, whose size the name carries. Every native gets
    // the environment and its object or class; long and double take 8 bytes, all else 4.
    size_t bytes = 8;
    if (signature[0] != '(') {
        return std::string();
    }
    const char* p = signature + 1;
    for (; *p != '\0' && *p != ')'; ++p) {
        bool array = false;
        while (*p == '[') {
            array = true;
            ++p;
        }
        if (*p == 'L') {
            p = std::strchr(p, ';');
            if (p == nullptr) {
                return std::string();
            }
        }
        bytes += !array && (*p == 'J' || *p == 'D') ? 8 : 4;
    }
    if (*p != ')') {
        return std::string();
    }
    return "_" + std::string(name) + "@" + std::to_string(bytes);
#else
    return signature[0] == '(' && std::strchr(signature, ')') != nullptr ? std::string(name)
                                                                         : std::string();
#endif
}

// The same name for a native given by its function pointer type (JNICALL, JNIEnv* first): on
// 32-bit Windows the argument bytes are those of the type's parameters, each taking at least
// 4 bytes on the stack.
template <typename Result, typename... Arguments>
std::string nativeExportNameFor(const char* name, Result(JNICALL*)(Arguments...)) {
#if defined(_WIN32) && !defined(_WIN64)
    size_t bytes = (size_t{0} + ... + ((sizeof(Arguments) + 3) / 4 * 4));
    return "_" + std::string(name) + "@" + std::to_string(bytes);
#else
    return name;
#endif
}
