// Files, ZIP archives and processes for the packer's tests (see test_files.h).
#include "test_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <sstream>

namespace wynpack_test {

namespace {

void removeTree(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        return;
    }
    if (S_ISDIR(st.st_mode)) {
        chmod(path.c_str(), 0700);
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* entry = readdir(dir)) {
                std::string name = entry->d_name;
                if (name != "." && name != "..") {
                    removeTree(path + "/" + name);
                }
            }
            closedir(dir);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

std::vector<char*> argvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const std::string& arg : argv) {
        pointers.push_back(const_cast<char*>(arg.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

pid_t spawn(const std::vector<std::string>& argv, const std::string& outFile,
            const std::string& errFile, const std::function<void()>& prepare) {
    std::vector<char*> pointers = argvPointers(argv);
    pid_t pid = fork();
    if (pid == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) {
            _exit(126);
        }
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (prepare) {
            prepare();
        }
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    return pid;
}

}  // namespace

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base ? base : "/tmp") + "/wynpack-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
    }
    path_ = name.data();
}

TempDir::~TempDir() {
    removeTree(path_);
}

std::vector<std::string> TempDir::names() const {
    std::vector<std::string> result;
    if (DIR* dir = opendir(path_.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") {
                result.push_back(name);
            }
        }
        closedir(dir);
    }
    std::sort(result.begin(), result.end());
    return result;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        ADD_FAILURE() << "cannot write " << path;
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool fileExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

void writeZip(const std::string& path, const std::vector<TestZipEntry>& entries) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr) << "zip_open " << path << ": " << error;
    for (const TestZipEntry& entry : entries) {
        zip_int64_t index;
        if (!entry.name.empty() && entry.name.back() == '/') {
            index = zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* source =
                zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
            index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
            ASSERT_GE(index, 0) << zip_strerror(archive);
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                     entry.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
        }
        ASSERT_GE(index, 0) << zip_strerror(archive);
        if (entry.mtime != 0) {
            zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), entry.mtime, 0);
        }
    }
    ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

bool readZip(const std::string& path, int64_t start, std::vector<ZipEntryInfo>& entries) {
    entries.clear();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_file_create(path.c_str(), static_cast<zip_uint64_t>(start), -1, &error);
    zip_t* archive =
        source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    if (archive == nullptr) {
        ADD_FAILURE() << "cannot read the ZIP in " << path << " at " << start << ": "
                      << zip_error_strerror(&error);
        if (source != nullptr) {
            zip_source_free(source);
        }
        zip_error_fini(&error);
        return false;
    }
    zip_error_fini(&error);
    zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        ZipEntryInfo info;
        zip_stat_t st;
        zip_stat_index(archive, i, 0, &st);
        info.name = st.name;
        info.method = st.comp_method;
        info.mtime = st.mtime;
        info.crc = st.crc;
        for (bool raw : {false, true}) {
            std::string& data = raw ? info.compressed : info.content;
            zip_file_t* file = zip_fopen_index(archive, i, raw ? ZIP_FL_COMPRESSED : 0);
            if (file == nullptr) {
                ADD_FAILURE() << "cannot open " << info.name << ": " << zip_strerror(archive);
                zip_discard(archive);
                return false;
            }
            char buffer[65536];
            zip_int64_t n;
            while ((n = zip_fread(file, buffer, sizeof(buffer))) > 0) {
                data.append(buffer, static_cast<size_t>(n));
            }
            zip_fclose(file);
            if (n < 0) {
                ADD_FAILURE() << "cannot read " << info.name;
                zip_discard(archive);
                return false;
            }
        }
        for (zip_flags_t where : {ZIP_FL_LOCAL, ZIP_FL_CENTRAL}) {
            auto& fields = where == ZIP_FL_LOCAL ? info.localExtra : info.centralExtra;
            zip_int16_t fieldCount = zip_file_extra_fields_count(archive, i, where);
            for (zip_int16_t f = 0; f < fieldCount; ++f) {
                zip_uint16_t id = 0, length = 0;
                const zip_uint8_t* data = zip_file_extra_field_get(
                    archive, i, static_cast<zip_uint16_t>(f), &id, &length, where);
                fields.emplace_back(id, std::string(reinterpret_cast<const char*>(data), length));
            }
        }
        entries.push_back(std::move(info));
    }
    zip_discard(archive);
    return true;
}

std::vector<std::string> entryNames(const std::vector<ZipEntryInfo>& entries) {
    std::vector<std::string> names;
    for (const ZipEntryInfo& entry : entries) {
        names.push_back(entry.name);
    }
    return names;
}

ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::function<void()>& prepare) {
    TempDir capture;
    std::string out = capture.file("out"), err = capture.file("err");
    pid_t pid = spawn(argv, out, err, prepare);
    return waitProcess(pid, out, err);
}

pid_t startProcess(const std::vector<std::string>& argv, const std::string& outFile,
                   const std::string& errFile) {
    return spawn(argv, outFile, errFile, nullptr);
}

ProcessResult waitProcess(pid_t pid, const std::string& outFile, const std::string& errFile) {
    ProcessResult result;
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) {
        ADD_FAILURE() << "cannot run the process";
        return result;
    }
    if (WIFEXITED(status)) {
        result.exitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    result.out = readFile(outFile);
    result.err = readFile(errFile);
    return result;
}

std::string javaClassFile(const std::string& name, bool withMain, const std::string& superName) {
    std::string out;
    auto u2 = [&](size_t v) {
        out += static_cast<char>((v >> 8) & 0xFF);
        out += static_cast<char>(v & 0xFF);
    };
    auto utf8 = [&](const std::string& text) {
        out += '\x01';
        u2(text.size());
        out += text;
    };
    out += std::string("\xCA\xFE\xBA\xBE\x00\x00\x00\x34", 8);  // Java 8
    u2(9);                                                      // constant pool count
    utf8(name);                                                 // #1
    out += '\x07';
    u2(1);            // #2 class name
    utf8(superName);  // #3
    out += '\x07';
    u2(3);                                            // #4 superclass
    utf8("main");                                     // #5
    utf8("([Ljava/lang/String;)V");                   // #6
    out += std::string("\x05\0\0\0\0\0\0\0\x2A", 9);  // #7-#8: a long constant
    u2(0x21);                                         // public super
    u2(2);
    u2(4);
    u2(0);  // interfaces
    u2(0);  // fields
    u2(withMain ? 1 : 0);
    if (withMain) {
        u2(0x09);  // public static
        u2(5);
        u2(6);
        u2(1);  // one attribute, skipped by readers that do not know it
        u2(5);
        out += std::string("\0\0\0\x02\x12\x34", 6);
    }
    u2(0);  // class attributes
    return out;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace wynpack_test
