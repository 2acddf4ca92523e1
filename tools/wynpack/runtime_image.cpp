// A Java runtime image that the packed executable carries (see runtime_image.h).
#include "runtime_image.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "binary_platform.h"
#include "format/runtime_index.h"
#include "format/sha256.h"
#include "input_files.h"
#include "interruption.h"

namespace wynpack {

namespace {

constexpr const char* kJvmLibraries[] = {"lib/server/libjvm.so", "lib/client/libjvm.so",
                                         "bin/server/jvm.dll", "bin/client/jvm.dll"};

struct DirectoryId {
    dev_t device;
    ino_t inode;
};

class ImageWalker {
  public:
    ImageWalker(RuntimeImage& image, Problem& problem) : image_(image), problem_(problem) {}

    // Lists the files below directory (shown as prefix, "" at the top).
    bool walk(const std::string& directory, const std::string& prefix) {
        struct stat st;
        if (stat(directory.c_str(), &st) != 0) {
            return unreadable(directory, errno);
        }
        for (const DirectoryId& above : path_) {
            if (above.device == st.st_dev && above.inode == st.st_ino) {
                return fail(problem_, ExitStatus::BadInput,
                            "runtime " + quoted(image_.directory) + ": " + quoted(prefix) +
                                " leads back into a directory above it (a symbolic link loop)");
            }
        }
        DIR* dir = opendir(directory.c_str());
        if (dir == nullptr) {
            return unreadable(directory, errno);
        }
        std::vector<std::string> names;
        errno = 0;
        while (const dirent* entry = readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
                names.emplace_back(entry->d_name);
            }
        }
        int error = errno;
        closedir(dir);
        if (error != 0) {
            return unreadable(directory, error);
        }
        path_.push_back(DirectoryId{st.st_dev, st.st_ino});
        for (const std::string& name : names) {
            if (!visit(directory + "/" + name, prefix.empty() ? name : prefix + "/" + name)) {
                return false;
            }
        }
        path_.pop_back();
        return true;
    }

  private:
    bool visit(const std::string& source, const std::string& path) {
        struct stat st;
        if (stat(source.c_str(), &st) != 0) {
            int error = errno;
            struct stat link;
            if (lstat(source.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
                return fail(problem_, ExitStatus::BadInput,
                            "runtime " + quoted(image_.directory) + ": the symbolic link " +
                                quoted(path) + " leads to nothing that can be read (" +
                                std::strerror(error) + ")");
            }
            return unreadable(source, error);
        }
        if (S_ISDIR(st.st_mode)) {
            return walk(source, path);
        }
        if (!S_ISREG(st.st_mode)) {
            return fail(problem_, ExitStatus::BadInput,
                        "runtime " + quoted(image_.directory) + ": " + quoted(path) +
                            " is neither a file nor a directory");
        }
        if (!isSafeRuntimePath(TextView(path.c_str(), static_cast<int32_t>(path.size())))) {
            return fail(problem_, ExitStatus::BadInput,
                        "runtime " + quoted(image_.directory) + ": the name " + quoted(path) +
                            " cannot be extracted safely on every system (a Windows device "
                            "name, a '\\' or ':', a control character, a name ending in '.' or "
                            "' ', not UTF-8, or longer than 1024 bytes)");
        }
        if (st.st_size > kMaxRuntimeFileSize) {
            return fail(problem_, ExitStatus::BadInput,
                        "runtime " + quoted(image_.directory) + ": " + quoted(path) +
                            " is larger than a carried runtime's file may be (1 TiB)");
        }
        if (image_.files.size() >= static_cast<size_t>(kMaxRuntimeFiles)) {
            return fail(problem_, ExitStatus::BadInput,
                        "runtime " + quoted(image_.directory) + " has more than " +
                            std::to_string(kMaxRuntimeFiles) + " files");
        }
        RuntimeImageFile file;
        file.path = path;
        file.source = source;
        file.size = st.st_size;
        file.mode = static_cast<int32_t>(st.st_mode & 07777);
        image_.totalSize += file.size;
        image_.files.push_back(std::move(file));
        return true;
    }

    bool unreadable(const std::string& path, int error) {
        return fail(problem_, ExitStatus::BadInput,
                    "cannot read the runtime " + quoted(path) + ": " + std::strerror(error));
    }

    RuntimeImage& image_;
    Problem& problem_;
    std::vector<DirectoryId> path_;
};

bool readHeader(const std::string& path, std::string& header) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    header.resize(kBinaryHeaderBytes);
    ssize_t n = pread(fd, header.data(), header.size(), 0);
    close(fd);
    header.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return n >= 0;
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Reads the whole file through the hash; false with errno's reason.
bool hashFile(const std::string& path, unsigned char digest[32], int64_t& size, int& error) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    Sha256 hash;
    std::vector<char> buffer(1 << 20);
    size = 0;
    ssize_t n = 0;
    while ((n = read(fd, buffer.data(), buffer.size())) != 0) {
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            close(fd);
            return false;
        }
        hash.update(buffer.data(), n);
        size += n;
    }
    close(fd);
    hash.finish(digest);
    return true;
}

}  // namespace

std::string releaseJavaVersion(const std::string& releaseText) {
    size_t start = 0;
    while (start < releaseText.size()) {
        size_t end = releaseText.find('\n', start);
        std::string line = releaseText.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? releaseText.size() : end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.rfind("JAVA_VERSION=", 0) != 0) {
            continue;
        }
        std::string value = line.substr(13);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        bool printable = !value.empty() && value.size() <= 64;
        for (char c : value) {
            printable = printable && c > ' ' && c < 0x7f;
        }
        return printable ? value : "unknown";
    }
    return "unknown";
}

std::string runtimeImagePlatform(const std::string& directory, std::string& library) {
    for (const char* candidate : kJvmLibraries) {
        std::string path = directory + "/" + candidate;
        if (!isRegularFile(path)) {
            continue;
        }
        library = candidate;
        std::string header;
        std::string platform = readHeader(path, header) ? binaryPlatform(header) : "";
        return platform.empty() ? "an unknown platform" : platform;
    }
    library.clear();
    return "";
}

bool inspectRuntimeImage(const std::string& directory, const std::string& target,
                         RuntimeImage& image, Problem& problem) {
    image = RuntimeImage();
    image.directory = directory;
    struct stat st;
    if (stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return fail(problem, ExitStatus::BadInput,
                    "runtime " + quoted(directory) + " is not a directory");
    }
    if (!isRegularFile(directory + "/release")) {
        return fail(problem, ExitStatus::BadInput,
                    "runtime " + quoted(directory) +
                        " is not a Java runtime image: it has no release file");
    }
    std::string releaseText;
    if (!readInputFile(directory + "/release", "the runtime's release file", releaseText,
                       problem)) {
        return false;
    }
    image.release = releaseJavaVersion(releaseText);
    std::string library;
    image.platform = runtimeImagePlatform(directory, library);
    if (image.platform.empty()) {
        return fail(problem, ExitStatus::BadInput,
                    "runtime " + quoted(directory) +
                        " is not a Java runtime image: it has none of lib/server/libjvm.so, "
                        "lib/client/libjvm.so, bin/server/jvm.dll, bin/client/jvm.dll");
    }
    if (image.platform != target) {
        return fail(problem, ExitStatus::BadInput,
                    "runtime " + quoted(directory) + " is for " + image.platform + " (its " +
                        library + "), but the target is " + target + ": carry a " + target +
                        " runtime");
    }
    ImageWalker walker(image, problem);
    if (!walker.walk(directory, "")) {
        return false;
    }
    std::sort(image.files.begin(), image.files.end(),
              [](const RuntimeImageFile& a, const RuntimeImageFile& b) { return a.path < b.path; });
    return true;
}

bool hashRuntimeFiles(RuntimeImage& image, Problem& problem) {
    for (RuntimeImageFile& file : image.files) {
        if (interruptRequested()) {
            return fail(problem, ExitStatus::Failed, "interrupted; nothing was written");
        }
        int64_t size = 0;
        int error = 0;
        if (!hashFile(file.source, file.sha256, size, error)) {
            return fail(problem, ExitStatus::BadInput,
                        "cannot read the runtime's file " + quoted(file.source) + ": " +
                            std::strerror(error));
        }
        if (size != file.size) {
            return fail(
                problem, ExitStatus::BadInput,
                "the runtime's file " + quoted(file.source) + " changed while it was packed");
        }
    }
    return true;
}

bool runtimeIndexText(const RuntimeImage& image, std::string& text, Problem& problem) {
    RuntimeIndex index;
    index.platform = TextString(image.platform.c_str());
    index.release = TextString(image.release.c_str());
    for (const RuntimeImageFile& file : image.files) {
        RuntimeFile entry;
        entry.path = TextString(file.path.c_str(), static_cast<int32_t>(file.path.size()));
        entry.size = file.size;
        entry.mode = file.mode;
        std::memcpy(entry.sha256, file.sha256, sizeof entry.sha256);
        index.files.push_back(std::move(entry));
    }
    TextString written = writeRuntimeIndex(index);
    RuntimeIndex check;
    TextString reason;
    if (!parseRuntimeIndex(written, check, reason)) {
        return fail(problem, ExitStatus::BadInput,
                    "runtime " + quoted(image.directory) +
                        " cannot be carried: the launcher would refuse its index (" +
                        reason.c_str() + ")");
    }
    text.assign(written.c_str(), static_cast<size_t>(written.length()));
    return true;
}

}  // namespace wynpack
