// Output targets on Windows: append-only files, commands fed through an anonymous pipe, and
// the process's standard handles with the C runtime's descriptors 1 and 2.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/process.h"

namespace platform {

namespace {

HANDLE toHandle(OutputHandle handle) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

OutputHandle fromHandle(HANDLE handle) {
    return static_cast<OutputHandle>(reinterpret_cast<intptr_t>(handle));
}

DWORD standardHandleId(StandardStream which) {
    return which == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
}

int descriptorOf(StandardStream which) {
    return which == StandardStream::Output ? 1 : 2;
}

std::FILE* streamOf(StandardStream which) {
    return which == StandardStream::Output ? stdout : stderr;
}

bool javaSideOnly() {
    const char* value = std::getenv("WYN_REDIRECT_FALLBACK");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

// Points the C runtime's descriptor fd at its own copy of handle, write-only, appending, text
// mode, so that the launcher's own output through stdout or stderr reaches the target.
void pointRuntimeDescriptorAt(int fd, HANDLE handle) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        return;
    }
    int temporary =
        _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_WRONLY | _O_APPEND | _O_TEXT);
    if (temporary < 0) {
        CloseHandle(copy);
        return;
    }
    _dup2(temporary, fd);
    _close(temporary);
}

// The system's text for an error code, on one line, with the code.
TextString systemMessage(DWORD error) {
    char* message = nullptr;
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, error, LANG_USER_DEFAULT, reinterpret_cast<char*>(&message), 0, nullptr);
    TextString text;
    for (DWORD i = 0; message != nullptr && i < n; ++i) {
        if (message[i] != '\r' && message[i] != '\n') {
            text.append(message[i]);
        } else if (!text.empty() && text[text.length() - 1] != ' ') {
            text.append(' ');
        }
    }
    LocalFree(message);
    while (!text.empty() && text[text.length() - 1] == ' ') {
        text.resize(text.length() - 1);
    }
    TextString code;
    code.format("error %lu", static_cast<unsigned long>(error));
    if (text.empty()) {
        return code;
    }
    text.append(" (");
    text.append(code);
    text.append(")");
    return text;
}

}  // namespace

OutputHandle openAppendFile(const char* path) {
    // Append-only access: every write goes to the end of the file as it is at that moment.
    HANDLE file = CreateFileA(path, FILE_GENERIC_WRITE & ~FILE_WRITE_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return kNoOutput;
    }
    SetFilePointer(file, 0, nullptr, FILE_END);
    return fromHandle(file);
}

OutputHandle startPipedCommand(const char* commandLine, const StringList& arguments,
                               TextString& failure) {
    if (arguments.count() != 0) {
        failure = "arguments beside the command line";
        return kNoOutput;
    }
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE inheritableWriteEnd = nullptr;
    if (!CreatePipe(&readEnd, &inheritableWriteEnd, &inheritable, 0)) {
        failure = TextString::concat("no pipe: ", systemMessage(GetLastError()));
        return kNoOutput;
    }
    // The launcher's write end is not inherited, by the command or by any later child.
    HANDLE writeEnd = nullptr;
    BOOL duplicated = DuplicateHandle(GetCurrentProcess(), inheritableWriteEnd, GetCurrentProcess(),
                                      &writeEnd, 0, FALSE, DUPLICATE_SAME_ACCESS);
    DWORD duplicateError = GetLastError();
    CloseHandle(inheritableWriteEnd);
    if (!duplicated) {
        failure = TextString::concat("no pipe: ", systemMessage(duplicateError));
        CloseHandle(readEnd);
        return kNoOutput;
    }
    size_t length = std::strlen(commandLine);
    char* line = static_cast<char*>(std::malloc(length + 1));
    if (line == nullptr) {
        failure = "no memory for the command line";
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return kNoOutput;
    }
    std::memcpy(line, commandLine, length + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                  nullptr, &startup, &process);
    DWORD startError = GetLastError();
    std::free(line);
    // The command holds its own copy of the read end. The launcher keeps none: a reader of its
    // own would keep the pipe open after the command has gone, and writes would then block
    // for ever once the pipe is full.
    CloseHandle(readEnd);
    if (!started) {
        failure = systemMessage(startError);
        CloseHandle(writeEnd);
        return kNoOutput;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return fromHandle(writeEnd);
}

bool writeOutput(OutputHandle target, const void* data, size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(toHandle(target), next, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        next += written;
        size -= written;
    }
    return true;
}

void closeOutput(OutputHandle target) {
    if (target != kNoOutput) {
        CloseHandle(toHandle(target));
    }
}

bool replaceStandardStream(StandardStream which, OutputHandle target, bool buffered,
                           SavedStandardStream& saved) {
    if (javaSideOnly()) {
        return false;
    }
    DWORD id = standardHandleId(which);
    int fd = descriptorOf(which);
    std::FILE* stream = streamOf(which);
    std::fflush(stream);
    HANDLE original = GetStdHandle(id);
    saved.saved = true;
    saved.runtimeDescriptor = _dup(fd);
    // When the runtime's descriptor holds the standard handle itself, pointing the descriptor
    // elsewhere closes that handle: the descriptor's copy is then what is restored.
    bool sharedWithRuntime =
        saved.runtimeDescriptor >= 0 && _get_osfhandle(fd) == reinterpret_cast<intptr_t>(original);
    saved.handle = sharedWithRuntime ? kNoOutput : fromHandle(original);
    HANDLE handle = toHandle(target);
    // The runtime's descriptor first: some C runtimes set the standard handle to their own
    // copy when descriptor 1 or 2 changes. The standard handle is the target itself after.
    pointRuntimeDescriptorAt(fd, handle);
    std::setvbuf(stream, nullptr, buffered ? _IOFBF : _IONBF, buffered ? BUFSIZ : 0);
    SetStdHandle(id, handle);
    return GetStdHandle(id) == handle;
}

void restoreStandardStream(StandardStream which, SavedStandardStream& saved) {
    if (!saved.saved) {
        return;
    }
    DWORD id = standardHandleId(which);
    int fd = descriptorOf(which);
    std::fflush(streamOf(which));
    if (saved.runtimeDescriptor >= 0) {
        _dup2(saved.runtimeDescriptor, fd);
        _close(saved.runtimeDescriptor);
    } else {
        _close(fd);
    }
    SetStdHandle(id, saved.handle == kNoOutput ? reinterpret_cast<HANDLE>(_get_osfhandle(fd))
                                               : toHandle(saved.handle));
    saved = SavedStandardStream();
}

}  // namespace platform
