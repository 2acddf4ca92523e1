// Writing the packed executable so that it appears whole or not at all (see output_file.h).
#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "interruption.h"

namespace wynpack {

namespace {

bool interrupted(Problem& problem) {
    return fail(problem, ExitStatus::Failed, "interrupted; nothing was written");
}

std::string baseNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

TempFile::~TempFile() {
    if (fd_ >= 0) {
        close(fd_);
    }
    if (!path_.empty()) {
        unlink(path_.c_str());
    }
}

bool TempFile::create(const std::string& target, const char* tag, Problem& problem) {
    std::string directory = directoryOf(target);
    std::string pattern = directory + "/." + baseNameOf(target) + "." + tag + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return fail(problem, ExitStatus::Failed,
                    "cannot create a file in " + quoted(directory) + ": " + std::strerror(errno));
    }
    fd_ = fd;
    path_ = name.data();
    return true;
}

bool TempFile::closeFile(Problem& problem) {
    int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && close(fd) != 0) {
        return fail(problem, ExitStatus::Failed,
                    "cannot write " + quoted(path_) + ": " + std::strerror(errno));
    }
    return true;
}

void TempFile::release() {
    path_.clear();
}

bool OutputFile::create(const std::string& path, Problem& problem) {
    path_ = path;
    return temp_.create(path, "wynpack", problem);
}

// Writes all bytes, going on after partial writes; a signal stops it only when the packer was
// asked to stop.
bool OutputFile::writeAll(const char* data, size_t size, Problem& problem) {
    while (size > 0) {
        if (interruptRequested()) {
            return interrupted(problem);
        }
        ssize_t n = ::write(temp_.descriptor(), data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return fail(problem, ExitStatus::Failed,
                        "cannot write " + quoted(temp_.path()) + ": " + std::strerror(errno));
        }
        data += n;
        size -= static_cast<size_t>(n);
        written_ += static_cast<uint64_t>(n);
    }
    return true;
}

bool OutputFile::write(std::string_view bytes, Problem& problem) {
    return writeAll(bytes.data(), bytes.size(), problem);
}

bool OutputFile::overwriteFromEnd(uint64_t distanceFromEnd, std::string_view bytes,
                                  Problem& problem) {
    if (distanceFromEnd > written_ || bytes.size() > distanceFromEnd) {
        return fail(problem, ExitStatus::Failed, "cannot write " + quoted(temp_.path()));
    }
    return overwriteAt(written_ - distanceFromEnd, bytes, problem);
}

bool OutputFile::overwriteAt(uint64_t offset, std::string_view bytes, Problem& problem) {
    if (offset > written_ || bytes.size() > written_ - offset) {
        return fail(problem, ExitStatus::Failed, "cannot write " + quoted(temp_.path()));
    }
    auto position = static_cast<off_t>(offset);
    if (pwrite(temp_.descriptor(), bytes.data(), bytes.size(), position) !=
        static_cast<ssize_t>(bytes.size())) {
        return fail(problem, ExitStatus::Failed,
                    "cannot write " + quoted(temp_.path()) + ": " + std::strerror(errno));
    }
    return true;
}

bool OutputFile::appendFileContent(const std::string& source, Problem& problem) {
    int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return fail(problem, ExitStatus::Failed,
                    "cannot read " + quoted(source) + ": " + std::strerror(errno));
    }
    std::vector<char> buffer(1 << 20);
    bool ok = true;
    for (;;) {
        if (interruptRequested()) {
            ok = interrupted(problem);
            break;
        }
        ssize_t n = read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ok = fail(problem, ExitStatus::Failed,
                      "cannot read " + quoted(source) + ": " + std::strerror(errno));
            break;
        }
        if (n == 0) {
            break;
        }
        if (!writeAll(buffer.data(), static_cast<size_t>(n), problem)) {
            ok = false;
            break;
        }
    }
    close(in);
    return ok;
}

bool OutputFile::commit(Problem& problem) {
    int fd = temp_.descriptor();
    // Exactly 0755 whatever the umask: the output is a program for everyone who may read it.
    if (fchmod(fd, 0755) != 0 || fsync(fd) != 0) {
        return fail(problem, ExitStatus::Failed,
                    "cannot write " + quoted(temp_.path()) + ": " + std::strerror(errno));
    }
    if (!temp_.closeFile(problem)) {
        return false;
    }
    if (interruptRequested()) {
        return interrupted(problem);
    }
    if (std::rename(temp_.path().c_str(), path_.c_str()) != 0) {
        return fail(problem, ExitStatus::Failed,
                    "cannot write " + quoted(path_) + ": " + std::strerror(errno));
    }
    temp_.release();
    return true;
}

}  // namespace wynpack
