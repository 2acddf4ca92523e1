// The resources of a Windows executable (see resource_tree.h).
#include "resource_tree.h"

#include <algorithm>
#include <map>

#include "byte_order.h"

namespace wynpack {

namespace {

constexpr uint32_t kSubdirectoryFlag = 0x80000000;
constexpr size_t kDirectorySize = 16;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
// More entries than any real executable holds; bounds the work a damaged file can cause.
constexpr size_t kMaxEntries = 65536;

char16_t upperAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// The order of entries inside one directory level.
bool keyLess(const ResourceKey& a, const ResourceKey& b) {
    if (a.named != b.named) {
        return a.named;
    }
    if (!a.named) {
        return a.id < b.id;
    }
    size_t common = std::min(a.name.size(), b.name.size());
    for (size_t i = 0; i < common; ++i) {
        char16_t x = upperAscii(a.name[i]);
        char16_t y = upperAscii(b.name[i]);
        if (x != y) {
            return x < y;
        }
    }
    return a.name.size() < b.name.size();
}

class TreeReader {
  public:
    TreeReader(std::string_view image, const PeLayout& layout, size_t root, size_t limit)
        : image_(image), layout_(layout), root_(root), limit_(limit) {}

    bool read(std::vector<ResourceEntry>& entries, std::string& reason) {
        ResourceEntry path;
        return readDirectory(0, 0, path, entries, reason);
    }

  private:
    bool damaged(std::string& reason) {
        reason = "has a damaged resource directory";
        return false;
    }

    bool readKey(uint32_t field, ResourceKey& key, std::string& reason) {
        if ((field & kSubdirectoryFlag) == 0) {
            key = ResourceKey::number(field);
            return true;
        }
        size_t at = root_ + (field & ~kSubdirectoryFlag);
        if (at + 2 > limit_) {
            return damaged(reason);
        }
        size_t length = littleEndian16(image_, at);
        if (at + 2 + 2 * length > limit_) {
            return damaged(reason);
        }
        key.named = true;
        key.name.clear();
        for (size_t i = 0; i < length; ++i) {
            key.name += static_cast<char16_t>(littleEndian16(image_, at + 2 + 2 * i));
        }
        return true;
    }

    bool readDirectory(size_t offset, int level, ResourceEntry& path,
                       std::vector<ResourceEntry>& entries, std::string& reason) {
        size_t at = root_ + offset;
        if (at + kDirectorySize > limit_) {
            return damaged(reason);
        }
        size_t count = size_t{littleEndian16(image_, at + 12)} + littleEndian16(image_, at + 14);
        visited_ += count;
        if (visited_ > kMaxEntries || at + kDirectorySize + count * kDirectoryEntrySize > limit_) {
            return damaged(reason);
        }
        for (size_t i = 0; i < count; ++i) {
            size_t entry = at + kDirectorySize + i * kDirectoryEntrySize;
            ResourceKey key;
            if (!readKey(littleEndian32(image_, entry), key, reason)) {
                return false;
            }
            uint32_t target = littleEndian32(image_, entry + 4);
            bool subdirectory = (target & kSubdirectoryFlag) != 0;
            // Types and names lead to directories, languages to data: three levels exactly.
            if (subdirectory != (level < 2)) {
                return damaged(reason);
            }
            if (level == 0) {
                path.type = key;
            } else if (level == 1) {
                path.name = key;
            } else {
                path.language = key.named ? 0 : key.id;
                if (key.named || !readData(target, path, reason)) {
                    return key.named ? damaged(reason) : false;
                }
                entries.push_back(path);
                continue;
            }
            if (!readDirectory(target & ~kSubdirectoryFlag, level + 1, path, entries, reason)) {
                return false;
            }
        }
        return true;
    }

    bool readData(uint32_t offset, ResourceEntry& path, std::string& reason) {
        size_t at = root_ + offset;
        if (at + kDataEntrySize > limit_) {
            return damaged(reason);
        }
        uint32_t rva = littleEndian32(image_, at);
        uint32_t size = littleEndian32(image_, at + 4);
        size_t dataAt = 0;
        if (!layout_.fileOffsetOf(rva, size, dataAt)) {
            reason = "has resource data outside its sections";
            return false;
        }
        path.codePage = littleEndian32(image_, at + 8);
        path.data = std::string(image_.substr(dataAt, size));
        return true;
    }

    std::string_view image_;
    const PeLayout& layout_;
    size_t root_;
    size_t limit_;
    size_t visited_ = 0;
};

// Resources grouped by type, then name, then language, in the order the tree holds them.
struct KeyOrder {
    bool operator()(const ResourceKey& a, const ResourceKey& b) const { return keyLess(a, b); }
};
using LanguageMap = std::map<uint32_t, const ResourceEntry*>;
using NameMap = std::map<ResourceKey, LanguageMap, KeyOrder>;
using TypeMap = std::map<ResourceKey, NameMap, KeyOrder>;

void appendDirectoryHeader(std::string& out, size_t named, size_t numbered) {
    out.append(12, '\0');  // characteristics, time stamp, version: zero
    appendLittleEndian16(out, static_cast<uint32_t>(named));
    appendLittleEndian16(out, static_cast<uint32_t>(numbered));
}

template <typename Map>
size_t namedCount(const Map& map) {
    size_t n = 0;
    for (const auto& item : map) {
        n += item.first.named ? 1 : 0;
    }
    return n;
}

}  // namespace

bool operator==(const ResourceKey& a, const ResourceKey& b) {
    return a.named == b.named && (a.named ? a.name == b.name : a.id == b.id);
}

bool readResources(std::string_view image, const PeLayout& layout,
                   std::vector<ResourceEntry>& entries, std::string& reason) {
    entries.clear();
    DataDirectory directory = dataDirectory(image, layout, kResourceDirectory);
    if (directory.address == 0 && directory.size == 0) {
        return true;
    }
    for (const PeSection& section : layout.sections) {
        if (directory.address >= section.virtualAddress &&
            directory.address - section.virtualAddress < section.rawSize) {
            size_t root = section.rawOffset + (directory.address - section.virtualAddress);
            size_t limit = size_t{section.rawOffset} + section.rawSize;
            return TreeReader(image, layout, root, limit).read(entries, reason);
        }
    }
    reason = "has a resource directory outside its sections";
    return false;
}

std::string buildResourceSection(const std::vector<ResourceEntry>& entries,
                                 uint32_t sectionAddress) {
    TypeMap types;
    for (const ResourceEntry& entry : entries) {
        types[entry.type][entry.name][entry.language] = &entry;
    }
    // Sizes first, so that every offset is known before anything is written.
    size_t directoriesSize = kDirectorySize + types.size() * kDirectoryEntrySize;
    size_t dataCount = 0;
    std::vector<const ResourceKey*> names;
    for (const auto& [type, nameMap] : types) {
        directoriesSize += kDirectorySize + nameMap.size() * kDirectoryEntrySize;
        if (type.named) {
            names.push_back(&type);
        }
        for (const auto& [name, languages] : nameMap) {
            directoriesSize += kDirectorySize + languages.size() * kDirectoryEntrySize;
            dataCount += languages.size();
            if (name.named) {
                names.push_back(&name);
            }
        }
    }
    size_t stringsAt = directoriesSize;
    size_t stringsSize = 0;
    for (const ResourceKey* key : names) {
        stringsSize += 2 + 2 * key->name.size();
    }
    size_t dataEntriesAt = alignUp(stringsAt + stringsSize, 8);
    size_t dataAt = dataEntriesAt + dataCount * kDataEntrySize;

    std::string directories;
    std::string strings;
    std::string dataEntries;
    std::string data;
    auto keyField = [&](const ResourceKey& key) {
        if (!key.named) {
            return key.id;
        }
        auto field = static_cast<uint32_t>(stringsAt + strings.size()) | kSubdirectoryFlag;
        appendLittleEndian16(strings, static_cast<uint32_t>(key.name.size()));
        for (char16_t c : key.name) {
            appendLittleEndian16(strings, c);
        }
        return field;
    };

    // Breadth first: the root, the type directories, then the name directories.
    size_t nextDirectory = kDirectorySize + types.size() * kDirectoryEntrySize;
    appendDirectoryHeader(directories, namedCount(types), types.size() - namedCount(types));
    for (const auto& [type, nameMap] : types) {
        appendLittleEndian32(directories, keyField(type));
        appendLittleEndian32(directories, static_cast<uint32_t>(nextDirectory) | kSubdirectoryFlag);
        nextDirectory += kDirectorySize + nameMap.size() * kDirectoryEntrySize;
    }
    for (const auto& [type, nameMap] : types) {
        appendDirectoryHeader(directories, namedCount(nameMap),
                              nameMap.size() - namedCount(nameMap));
        for (const auto& [name, languages] : nameMap) {
            appendLittleEndian32(directories, keyField(name));
            appendLittleEndian32(directories,
                                 static_cast<uint32_t>(nextDirectory) | kSubdirectoryFlag);
            nextDirectory += kDirectorySize + languages.size() * kDirectoryEntrySize;
        }
    }
    for (const auto& [type, nameMap] : types) {
        for (const auto& [name, languages] : nameMap) {
            appendDirectoryHeader(directories, 0, languages.size());
            for (const auto& [language, entry] : languages) {
                appendLittleEndian32(directories, language);
                appendLittleEndian32(directories,
                                     static_cast<uint32_t>(dataEntriesAt + dataEntries.size()));
                appendLittleEndian32(dataEntries,
                                     static_cast<uint32_t>(sectionAddress + dataAt + data.size()));
                appendLittleEndian32(dataEntries, static_cast<uint32_t>(entry->data.size()));
                appendLittleEndian32(dataEntries, entry->codePage);
                appendLittleEndian32(dataEntries, 0);
                data += entry->data;
                padTo(data, 8);
            }
        }
    }
    std::string section = directories + strings;
    padTo(section, 8);
    section += dataEntries;
    section += data;
    return section;
}

void removeResources(std::vector<ResourceEntry>& entries, uint32_t type, uint32_t name) {
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const ResourceEntry& e) {
                                     return e.type == ResourceKey::number(type) &&
                                            e.name == ResourceKey::number(name);
                                 }),
                  entries.end());
}

}  // namespace wynpack
