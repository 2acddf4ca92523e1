// Files, ZIP archives and processes for the packer's tests: real files in a fresh temporary
// directory, archives written and read with libzip, and the real tool run as a child process.
#pragma once

#include <sys/types.h>
#include <zip.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace wynpack_test {

// A fresh directory under $TMPDIR (or /tmp), removed with its content on destruction.
class TempDir {
  public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // The names in the directory, sorted, "." and ".." left out.
    std::vector<std::string> names() const;

  private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

struct TestZipEntry {
    std::string name;
    std::string content;
    bool deflate = false;
    time_t mtime = 0;  // 0: leave the time to libzip
};

// Writes a ZIP archive with the entries in order (names ending in '/' become directories).
void writeZip(const std::string& path, const std::vector<TestZipEntry>& entries);

struct ZipEntryInfo {
    std::string name;
    std::string content;     // uncompressed
    std::string compressed;  // the stored bytes, as they are in the archive
    int32_t method = 0;
    time_t mtime = 0;
    uint32_t crc = 0;
    std::vector<std::pair<uint16_t, std::string>> localExtra;
    std::vector<std::pair<uint16_t, std::string>> centralExtra;
};

// Reads every entry of the ZIP archive that occupies the file from byte `start` to its end.
// Fails the current test (and returns false) when the archive cannot be read.
bool readZip(const std::string& path, int64_t start, std::vector<ZipEntryInfo>& entries);

std::vector<std::string> entryNames(const std::vector<ZipEntryInfo>& entries);

struct ProcessResult {
    int exitStatus = -1;  // when the process exited
    int signal = 0;       // when a signal ended it
    std::string out;
    std::string err;
};

// Runs argv[0] with the arguments, standard input from /dev/null, output captured. prepare
// runs in the child just before exec (for limits, user ids, signal dispositions).
ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::function<void()>& prepare = nullptr);

// Starts a process without waiting; output goes to the given files.
pid_t startProcess(const std::vector<std::string>& argv, const std::string& outFile,
                   const std::string& errFile);
ProcessResult waitProcess(pid_t pid, const std::string& outFile, const std::string& errFile);

// A class file as javac writes it, as far as the packer reads one: the class (internal name,
// "com/example/Main"), its superclass and, when asked, public static void main(String[]).
std::string javaClassFile(const std::string& name, bool withMain,
                          const std::string& superName = "java/lang/Object");

// The lines of a text, without their line ends; a last line without end counts too.
std::vector<std::string> linesOf(const std::string& text);

}  // namespace wynpack_test
