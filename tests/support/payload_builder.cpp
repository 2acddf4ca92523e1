// Test support: crafted launcher executables and scratch directories.
#include "support/payload_builder.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace {

void put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void put64(std::string& out, uint64_t v) {
    put32(out, static_cast<uint32_t>(v));
    put32(out, static_cast<uint32_t>(v >> 32));
}

}  // namespace

uint32_t crc32Of(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFF;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::string payloadTextBytes(const CraftedExecutable& exe) {
    std::string text;
    if (exe.byteOrderMark) {
        text += "\xEF\xBB\xBF";
    }
    text += exe.config;
    if (exe.closingNul) {
        text.push_back('\0');
    }
    return text;
}

std::string CraftedExecutable::archive(uint64_t archiveStart) const {
    uint64_t base = offsetsFromFileStart ? archiveStart : 0;
    std::string zip, directory;
    for (const auto& [name, content] : entries) {
        uint32_t crc = crc32Of(content);
        uint64_t local = base + zip.size();
        put32(zip, 0x04034b50);
        put16(zip, 10);    // version needed
        put16(zip, 0);     // flags
        put16(zip, 0);     // stored
        put16(zip, 0);     // time
        put16(zip, 0x21);  // date: 1980-01-01
        put32(zip, crc);
        put32(zip, static_cast<uint32_t>(content.size()));
        put32(zip, static_cast<uint32_t>(content.size()));
        put16(zip, static_cast<uint32_t>(name.size()));
        put16(zip, 0);
        zip += name;
        zip += content;

        put32(directory, 0x02014b50);
        put16(directory, 20);  // made by
        put16(directory, 10);  // needed
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0x21);
        put32(directory, crc);
        put32(directory, static_cast<uint32_t>(content.size()));
        put32(directory, static_cast<uint32_t>(content.size()));
        put16(directory, static_cast<uint32_t>(name.size()));
        put16(directory, 0);  // extra
        put16(directory, 0);  // comment
        put16(directory, 0);  // disk
        put16(directory, 0);  // internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, static_cast<uint32_t>(local));
        directory += name;
    }
    uint64_t directoryOffset = base + zip.size();
    uint64_t directorySize = directory.size();
    zip += directory;
    uint32_t count = static_cast<uint32_t>(entries.size());
    if (zip64) {
        uint64_t recordOffset = base + zip.size();
        put32(zip, 0x06064b50);
        put64(zip, 44);
        put16(zip, 45);
        put16(zip, 45);
        put32(zip, 0);
        put32(zip, 0);
        put64(zip, count);
        put64(zip, count);
        put64(zip, directorySize);
        put64(zip, directoryOffset);
        put32(zip, 0x07064b50);
        put32(zip, 0);
        put64(zip, recordOffset);
        put32(zip, 1);
    }
    put32(zip, 0x06054b50);
    put16(zip, 0);
    put16(zip, 0);
    put16(zip, zip64 ? 0xFFFF : count);
    put16(zip, zip64 ? 0xFFFF : count);
    put32(zip, zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(directorySize));
    put32(zip, zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(directoryOffset));
    put16(zip, static_cast<uint32_t>(zipComment.size()));
    zip += zipComment;
    return zip;
}

std::string CraftedExecutable::bytes() const {
    std::string file = stub;
    std::string text = payloadTextBytes(*this);
    file += text;
    put32(file, static_cast<uint32_t>(text.size()));
    file.append(16, '\0');
    file += archive(file.size());
    return file;
}

bool writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ScratchDirectory::ScratchDirectory() {
    namespace fs = std::filesystem;
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        fs::path candidate =
            base / ("wyn-test-" + std::to_string(random()) + "-" + std::to_string(tick % 1000000) +
                    "-" + std::to_string(counter++));
        if (fs::create_directory(candidate, error)) {
            path_ = (candidate / "").string();
            return;
        }
    }
    std::fprintf(stderr, "cannot create a scratch directory in %s\n", base.string().c_str());
    std::abort();
}

std::string ScratchDirectory::writeExecutable(const CraftedExecutable& exe,
                                              const std::string& name) const {
    std::string path = file(name);
    if (!writeBytes(path, exe.bytes())) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::abort();
    }
    return path;
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}
