// Reading the packer's input files (see input_files.h).
#include "input_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace wynpack {

namespace {

// Opens path for reading; -1 with the problem filled when it cannot be read as a file.
int openInput(const std::string& path, const char* what, Problem& problem) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fail(problem, ExitStatus::BadInput,
             std::string("cannot read ") + what + " " + quoted(path) + ": " + std::strerror(errno));
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        close(fd);
        fail(problem, ExitStatus::BadInput,
             std::string("cannot read ") + what + " " + quoted(path) + ": it is a directory");
        return -1;
    }
    return fd;
}

}  // namespace

bool readInputFile(const std::string& path, const char* what, std::string& bytes,
                   Problem& problem) {
    int fd = openInput(path, what, problem);
    if (fd < 0) {
        return false;
    }
    bytes.clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            int error = errno;
            close(fd);
            return fail(problem, ExitStatus::BadInput,
                        std::string("cannot read ") + what + " " + quoted(path) + ": " +
                            std::strerror(error));
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

bool checkRegularInputFile(const std::string& path, const char* what, Problem& problem) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        return fail(
            problem, ExitStatus::BadInput,
            std::string("cannot read ") + what + " " + quoted(path) + ": it is not a regular file");
    }
    int fd = openInput(path, what, problem);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

bool fileIdOf(const std::string& path, FileId& id) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        return false;
    }
    id.device = st.st_dev;
    id.inode = st.st_ino;
    return true;
}

}  // namespace wynpack
