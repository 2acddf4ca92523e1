// Test support: entries added to a packed executable's archive.
#include "support/zip_append.h"

#include <zlib.h>

#include <cstring>
#include <utility>

#include "format/byte_source.h"
#include "format/little_endian.h"
#include "format/payload_tail.h"

namespace {

void put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

ZipEntryToAdd zipEntry(std::string name, std::string content) {
    ZipEntryToAdd entry;
    entry.name = std::move(name);
    entry.content = std::move(content);
    return entry;
}

std::string rawDeflate(const std::string& bytes) {
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string withZipEntries(const std::string& executable,
                           const std::vector<ZipEntryToAdd>& entries) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(executable.data());
    MemorySource source(bytes, static_cast<int64_t>(executable.size()));
    ArchiveDirectory directory;
    if (locatePayloadMark(source, directory) < 0 || directory.offset < 0) {
        return std::string();
    }
    std::string out = executable.substr(0, static_cast<size_t>(directory.offset));
    std::string central = executable.substr(static_cast<size_t>(directory.offset),
                                            static_cast<size_t>(directory.size));
    // The old entry count, from the end record that follows the directory.
    uint32_t count = littleEndian16(bytes + directory.offset + directory.size + 10);
    for (const ZipEntryToAdd& entry : entries) {
        std::string data = !entry.dataOverride.empty()
                               ? entry.dataOverride
                               : (entry.deflate ? rawDeflate(entry.content) : entry.content);
        uint32_t crc =
            static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(entry.content.data()),
                                        static_cast<uInt>(entry.content.size())));
        if (entry.wrongCrc) {
            crc ^= 1;
        }
        uint32_t size = static_cast<uint32_t>(entry.declaredSize >= 0 ? entry.declaredSize
                                                                      : entry.content.size());
        uint32_t method = entry.forceMethod >= 0 ? static_cast<uint32_t>(entry.forceMethod)
                                                 : (entry.deflate ? 8 : 0);
        auto offset = static_cast<uint32_t>(out.size() - static_cast<size_t>(directory.base));
        std::string local;
        put32(local, 0x04034b50);
        put16(local, 20);
        put16(local, 0x0800);
        put16(local, method);
        put32(local, 0);
        put32(local, crc);
        put32(local, static_cast<uint32_t>(data.size()));
        put32(local, size);
        put16(local, static_cast<uint32_t>(entry.name.size()));
        put16(local, 0);
        out += local + entry.name + data;
        put32(central, 0x02014b50);
        put16(central, (3u << 8) | 20);  // made by Unix
        put16(central, 20);
        put16(central, 0x0800);
        put16(central, method);
        put32(central, 0);
        put32(central, crc);
        put32(central, static_cast<uint32_t>(data.size()));
        put32(central, size);
        put16(central, static_cast<uint32_t>(entry.name.size()));
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, (0100000u | entry.mode) << 16);
        put32(central, offset);
        central += entry.name;
        ++count;
    }
    auto centralOffset = static_cast<uint32_t>(out.size() - static_cast<size_t>(directory.base));
    out += central;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, count);
    put16(out, count);
    put32(out, static_cast<uint32_t>(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}
