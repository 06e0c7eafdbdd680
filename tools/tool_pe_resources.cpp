#include "tools/tool_pe_resources.h"

#include <algorithm>
#include <set>

#include "foundation/utf8.h"
#include "pack/pack_endian.h"

namespace {

// Positions in the headers (the optional header's fields named here sit at
// the same place in PE32 and PE32+).
constexpr uint64_t kNewHeaderPointer = 0x3C;
constexpr uint64_t kFileHeaderSize = 20;
constexpr uint64_t kSectionCountField = 2;
constexpr uint64_t kOptionalSizeField = 16;
constexpr uint64_t kInitializedDataField = 8;
constexpr uint64_t kSectionAlignmentField = 32;
constexpr uint64_t kFileAlignmentField = 36;
constexpr uint64_t kImageSizeField = 56;
constexpr uint64_t kHeadersSizeField = 60;
constexpr uint64_t kChecksumField = 64;
constexpr uint64_t kDirectoryCountPe32 = 92;
constexpr uint64_t kDirectoryCountPe32Plus = 108;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kResourceDirectory = 2;
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint32_t kResourceSectionFlags = 0x40000040;  // initialised data, readable

// The resource tree's tables.
constexpr uint32_t kTableHeaderSize = 16;
constexpr uint32_t kTableEntrySize = 8;
constexpr uint32_t kDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr int kTreeLevels = 3;

uint16_t get16(const std::string& bytes, uint64_t at) {
    return readLe16(reinterpret_cast<const uint8_t*>(bytes.data() + at));
}

uint32_t get32(const std::string& bytes, uint64_t at) {
    return readLe32(reinterpret_cast<const uint8_t*>(bytes.data() + at));
}

void put16(std::string& bytes, uint64_t at, uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void put32(std::string& bytes, uint64_t at, uint32_t value) {
    writeLe32(reinterpret_cast<uint8_t*>(&bytes[at]), value);
}

uint64_t alignUp(uint64_t value, uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

bool isPowerOfTwo(uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

struct Section {
    uint64_t headerAt = 0;
    uint32_t virtualSize = 0;
    uint32_t address = 0;
    uint32_t rawSize = 0;
    uint32_t rawAt = 0;

    // The span of memory the section takes.
    uint64_t MemoryEnd() const { return uint64_t{address} + std::max(virtualSize, rawSize); }
};

// The headers of a PE image, each field checked against the file.
struct PeLayout {
    uint64_t fileHeaderAt = 0;
    uint64_t optionalAt = 0;
    uint64_t sectionTableAt = 0;
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t headersSize = 0;
    uint64_t resourceEntryAt = 0;  // the resource directory entry (RVA, size)
    uint32_t resourceAddress = 0;
    uint32_t resourceSize = 0;
    std::vector<Section> sections;
};

PeLayout readLayout(const std::string& image) {
    const uint64_t length = image.size();
    auto fits = [length](uint64_t at, uint64_t count) { return at <= length && count <= length - at; };
    if (!isPeImage(image)) throw PeResourceError("not a PE image");
    PeLayout pe;
    pe.fileHeaderAt = uint64_t{get32(image, kNewHeaderPointer)} + 4;
    if (!fits(pe.fileHeaderAt, kFileHeaderSize)) throw PeResourceError("PE header cut short");
    const uint16_t sectionCount = get16(image, pe.fileHeaderAt + kSectionCountField);
    const uint16_t optionalSize = get16(image, pe.fileHeaderAt + kOptionalSizeField);
    pe.optionalAt = pe.fileHeaderAt + kFileHeaderSize;
    const uint64_t countField = get16(image, pe.optionalAt) == kMagicPe32 ? kDirectoryCountPe32
                                                                          : kDirectoryCountPe32Plus;
    if (optionalSize < countField + 4 || !fits(pe.optionalAt, optionalSize))
        throw PeResourceError("optional header cut short");
    pe.sectionAlignment = get32(image, pe.optionalAt + kSectionAlignmentField);
    pe.fileAlignment = get32(image, pe.optionalAt + kFileAlignmentField);
    pe.headersSize = get32(image, pe.optionalAt + kHeadersSizeField);
    if (!isPowerOfTwo(pe.fileAlignment) || pe.fileAlignment > 0x10000 ||
        !isPowerOfTwo(pe.sectionAlignment) || pe.sectionAlignment < pe.fileAlignment)
        throw PeResourceError("impossible file or section alignment");
    const uint32_t directories = get32(image, pe.optionalAt + countField);
    pe.resourceEntryAt = pe.optionalAt + countField + 4 + kResourceDirectory * 8;
    if (directories <= kResourceDirectory || pe.resourceEntryAt + 8 > pe.optionalAt + optionalSize)
        throw PeResourceError("the optional header has no resource directory entry");
    pe.resourceAddress = get32(image, pe.resourceEntryAt);
    pe.resourceSize = get32(image, pe.resourceEntryAt + 4);

    pe.sectionTableAt = pe.optionalAt + optionalSize;
    if (!fits(pe.sectionTableAt, sectionCount * kSectionHeaderSize) ||
        pe.sectionTableAt + sectionCount * kSectionHeaderSize > pe.headersSize)
        throw PeResourceError("section table cut short");
    for (uint16_t i = 0; i < sectionCount; ++i) {
        Section section;
        section.headerAt = pe.sectionTableAt + i * kSectionHeaderSize;
        section.virtualSize = get32(image, section.headerAt + 8);
        section.address = get32(image, section.headerAt + 12);
        section.rawSize = get32(image, section.headerAt + 16);
        section.rawAt = get32(image, section.headerAt + 20);
        if (section.rawSize != 0 && !fits(section.rawAt, section.rawSize))
            throw PeResourceError("section " + std::to_string(i + 1) + " lies beyond the file");
        pe.sections.push_back(section);
    }
    return pe;
}

// The file position of size bytes at rva, when one section's file bytes hold them all.
bool filePosition(const PeLayout& pe, uint64_t rva, uint64_t size, uint64_t& at) {
    for (const Section& section : pe.sections) {
        if (rva < section.address) continue;
        const uint64_t offset = rva - section.address;
        if (offset > section.rawSize || size > section.rawSize - offset) continue;
        at = section.rawAt + offset;
        return true;
    }
    return false;
}

// Reads the tree of one image: the bytes of the tree's tables (tree), every
// table reached at most once.
class TreeReader {
public:
    TreeReader(const std::string& image, const PeLayout& pe, uint64_t treeAt, uint32_t treeSize)
        : image_(image), pe_(pe), treeAt_(treeAt), treeSize_(treeSize) {}

    PeResourceTree Read() {
        PeResourceTree tree;
        ReadTable(0, 0, [&](const PeResourceKey& type, uint32_t typeTable) {
            PeResourceNames& names = tree[type];
            ReadTable(typeTable, 1, [&](const PeResourceKey& name, uint32_t nameTable) {
                PeResourceLanguages& languages = names[name];
                ReadTable(nameTable, 2, [&](const PeResourceKey& language, uint32_t dataEntry) {
                    languages[language] = ReadData(dataEntry);
                });
            });
        });
        return tree;
    }

private:
    void Need(uint64_t offset, uint64_t count, const char* what) const {
        if (offset > treeSize_ || count > treeSize_ - offset)
            throw PeResourceError(std::string("damaged resource tree: ") + what +
                                  " lies outside the resource section");
    }

    template <typename Visit>
    void ReadTable(uint32_t offset, int level, Visit visit) {
        Need(offset, kTableHeaderSize, "a directory table");
        if (!tables_.insert(offset).second)
            throw PeResourceError("damaged resource tree: a directory table is reached twice (a loop)");
        const uint64_t at = treeAt_ + offset;
        const uint32_t count = uint32_t{get16(image_, at + 12)} + get16(image_, at + 14);
        Need(offset + kTableHeaderSize, uint64_t{count} * kTableEntrySize, "a directory table");
        std::set<PeResourceKey> seen;
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t entry = at + kTableHeaderSize + uint64_t{i} * kTableEntrySize;
            const PeResourceKey key = ReadKey(get32(image_, entry));
            const uint32_t target = get32(image_, entry + 4);
            if (!seen.insert(key).second)
                throw PeResourceError("damaged resource tree: an entry is listed twice");
            const bool isTable = (target & kHighBit) != 0;
            if (isTable != (level < kTreeLevels - 1))
                throw PeResourceError("damaged resource tree: not three levels deep");
            visit(key, target & ~kHighBit);
        }
    }

    PeResourceKey ReadKey(uint32_t field) const {
        if ((field & kHighBit) == 0) {
            if (field > 0xFFFF) throw PeResourceError("damaged resource tree: an id beyond 65535");
            return PeResourceKey::Id(static_cast<uint16_t>(field));
        }
        const uint32_t offset = field & ~kHighBit;
        Need(offset, 2, "a name");
        const uint16_t length = get16(image_, treeAt_ + offset);
        Need(offset + 2, uint64_t{length} * 2, "a name");
        PeResourceKey key;
        key.named = true;
        for (uint16_t i = 0; i < length; ++i)
            key.name.push_back(static_cast<char16_t>(get16(image_, treeAt_ + offset + 2 + 2 * i)));
        return key;
    }

    PeResourceData ReadData(uint32_t offset) {
        Need(offset, kDataEntrySize, "a data entry");
        if (!entries_.insert(offset).second)
            throw PeResourceError("damaged resource tree: a data entry is reached twice");
        const uint64_t at = treeAt_ + offset;
        const uint32_t rva = get32(image_, at);
        const uint32_t size = get32(image_, at + 4);
        PeResourceData data;
        data.codePage = get32(image_, at + 8);
        uint64_t position = 0;
        if (size != 0 && !filePosition(pe_, rva, size, position))
            throw PeResourceError("damaged resource tree: data lie outside the image's sections");
        data.bytes = image_.substr(position, size);
        return data;
    }

    const std::string& image_;
    const PeLayout& pe_;
    const uint64_t treeAt_;
    const uint32_t treeSize_;
    std::set<uint32_t> tables_;
    std::set<uint32_t> entries_;
};

// The section that holds the tree, or -1 for an image without resources.
int resourceSection(const PeLayout& pe) {
    if (pe.resourceAddress == 0 && pe.resourceSize == 0) return -1;
    for (size_t i = 0; i < pe.sections.size(); ++i) {
        const Section& section = pe.sections[i];
        if (pe.resourceAddress >= section.address &&
            pe.resourceAddress - section.address < std::max(section.virtualSize, section.rawSize))
            return static_cast<int>(i);
    }
    throw PeResourceError("the resource directory lies in no section");
}

PeResourceTree readTree(const std::string& image, const PeLayout& pe) {
    if (resourceSection(pe) < 0) return {};
    uint64_t at = 0;
    if (pe.resourceSize < kTableHeaderSize ||
        !filePosition(pe, pe.resourceAddress, pe.resourceSize, at))
        throw PeResourceError("damaged resource tree: the resource directory is cut short");
    return TreeReader(image, pe, at, pe.resourceSize).Read();
}

// The tree laid out as linkers do: every directory table (root, types,
// names), the data entries, the names, then the data, each 8-byte aligned.
std::string layOutTree(const PeResourceTree& tree, uint32_t sectionAddress) {
    uint32_t tablesSize = kTableHeaderSize + kTableEntrySize * static_cast<uint32_t>(tree.size());
    uint32_t dataEntries = 0;
    std::vector<std::u16string> names;
    auto noteName = [&names](const PeResourceKey& key) {
        if (key.named) names.push_back(key.name);
    };
    for (const auto& [type, typeNames] : tree) {
        noteName(type);
        tablesSize += kTableHeaderSize + kTableEntrySize * static_cast<uint32_t>(typeNames.size());
        for (const auto& [name, languages] : typeNames) {
            noteName(name);
            tablesSize += kTableHeaderSize + kTableEntrySize * static_cast<uint32_t>(languages.size());
            for (const auto& language : languages) {
                noteName(language.first);
                ++dataEntries;
            }
        }
    }
    // Offsets: tables, data entries, names, data.
    const uint32_t entriesAt = tablesSize;
    const uint32_t namesAt = entriesAt + dataEntries * kDataEntrySize;
    uint64_t namesSize = 0;
    for (const std::u16string& name : names)
        namesSize += 2 + 2 * name.size();
    uint64_t dataAt = alignUp(namesAt + namesSize, 8);
    uint64_t total = dataAt;
    for (const auto& type : tree)
        for (const auto& name : type.second)
            for (const auto& language : name.second)
                total = alignUp(total, 8) + language.second.bytes.size();
    if (total > 0x7FFFFFFF) throw PeResourceError("the resources exceed 2 GB");

    std::string out(static_cast<size_t>(alignUp(total, 8)), '\0');
    uint32_t nextTable = 0;
    uint32_t nextEntry = entriesAt;
    uint32_t nextName = namesAt;
    uint64_t nextData = dataAt;
    auto writeKey = [&](uint64_t at, const PeResourceKey& key) {
        if (!key.named) {
            put32(out, at, key.id);
            return;
        }
        put32(out, at, kHighBit | nextName);
        put16(out, nextName, static_cast<uint16_t>(key.name.size()));
        for (size_t i = 0; i < key.name.size(); ++i)
            put16(out, nextName + 2 + 2 * i, static_cast<uint16_t>(key.name[i]));
        nextName += static_cast<uint32_t>(2 + 2 * key.name.size());
    };
    // A table with the keys of level, in order; returns where its entries begin.
    auto writeTable = [&](const std::vector<PeResourceKey>& keys) {
        const uint32_t at = nextTable;
        uint16_t named = 0;
        for (const PeResourceKey& key : keys)
            named += key.named ? 1 : 0;
        put16(out, at + 12, named);
        put16(out, at + 14, static_cast<uint16_t>(keys.size() - named));
        for (size_t i = 0; i < keys.size(); ++i)
            writeKey(at + kTableHeaderSize + i * kTableEntrySize, keys[i]);
        nextTable += kTableHeaderSize + kTableEntrySize * static_cast<uint32_t>(keys.size());
        return at + kTableHeaderSize;
    };
    auto keysOf = [](const auto& map) {
        std::vector<PeResourceKey> keys;
        for (const auto& item : map)
            keys.push_back(item.first);
        return keys;
    };

    // Breadth first: the root, every type's table, every name's table.
    const uint32_t rootEntries = writeTable(keysOf(tree));
    std::vector<uint32_t> typeEntries;
    size_t typeIndex = 0;
    for (const auto& type : tree) {
        put32(out, rootEntries + typeIndex * kTableEntrySize + 4, kHighBit | nextTable);
        typeEntries.push_back(writeTable(keysOf(type.second)));
        ++typeIndex;
    }
    typeIndex = 0;
    for (const auto& type : tree) {
        size_t nameIndex = 0;
        for (const auto& name : type.second) {
            put32(out, typeEntries[typeIndex] + nameIndex * kTableEntrySize + 4, kHighBit | nextTable);
            const uint32_t languageEntries = writeTable(keysOf(name.second));
            size_t languageIndex = 0;
            for (const auto& language : name.second) {
                put32(out, languageEntries + languageIndex * kTableEntrySize + 4, nextEntry);
                nextData = alignUp(nextData, 8);
                put32(out, nextEntry, sectionAddress + static_cast<uint32_t>(nextData));
                put32(out, nextEntry + 4, static_cast<uint32_t>(language.second.bytes.size()));
                put32(out, nextEntry + 8, language.second.codePage);
                out.replace(static_cast<size_t>(nextData), language.second.bytes.size(),
                            language.second.bytes);
                nextData += language.second.bytes.size();
                nextEntry += kDataEntrySize;
                ++languageIndex;
            }
            ++nameIndex;
        }
        ++typeIndex;
    }
    return out;
}

}  // namespace

bool PeResourceKey::operator<(const PeResourceKey& other) const {
    if (named != other.named) return named;
    return named ? name < other.name : id < other.id;
}

bool PeResourceKey::operator==(const PeResourceKey& other) const {
    return named == other.named && (named ? name == other.name : id == other.id);
}

bool isPeImage(const std::string& image) {
    if (image.size() < kNewHeaderPointer + 4 || image[0] != 'M' || image[1] != 'Z') return false;
    const uint64_t header = get32(image, kNewHeaderPointer);
    const uint64_t magicAt = header + 4 + kFileHeaderSize;
    if (magicAt + 2 > image.size() ||
        image.compare(static_cast<size_t>(header), 4, std::string("PE\0\0", 4)) != 0)
        return false;
    const uint16_t magic = get16(image, magicAt);
    return magic == kMagicPe32 || magic == kMagicPe32Plus;
}

PeResourceTree readPeResources(const std::string& image) {
    const PeLayout pe = readLayout(image);
    return readTree(image, pe);
}

std::string writePeResources(const std::string& image, const PeResourceTree& tree) {
    const PeLayout pe = readLayout(image);
    readTree(image, pe);  // a damaged tree is refused even though it is replaced
    const int old = resourceSection(pe);

    uint64_t memoryEnd = 0;
    for (const Section& section : pe.sections)
        memoryEnd = std::max(memoryEnd, section.MemoryEnd());
    // The resource section is rewritten where it stands when it ends both the
    // image in memory and the file, and holds nothing but the tree.
    bool inPlace = false;
    if (old >= 0) {
        const Section& section = pe.sections[static_cast<size_t>(old)];
        inPlace = static_cast<size_t>(old) == pe.sections.size() - 1 &&
                  section.address == pe.resourceAddress && section.MemoryEnd() == memoryEnd &&
                  section.rawSize != 0 && uint64_t{section.rawAt} + section.rawSize == image.size();
    }

    std::string out;
    uint64_t headerAt = 0;
    uint32_t address = 0;
    uint64_t rawAt = 0;
    uint32_t oldRawSize = 0;
    if (inPlace) {
        const Section& section = pe.sections[static_cast<size_t>(old)];
        headerAt = section.headerAt;
        address = section.address;
        rawAt = section.rawAt;
        oldRawSize = section.rawSize;
        out = image.substr(0, section.rawAt);
    } else {
        headerAt = pe.sectionTableAt + pe.sections.size() * kSectionHeaderSize;
        uint64_t firstRaw = pe.headersSize;
        for (const Section& section : pe.sections)
            if (section.rawSize != 0) firstRaw = std::min<uint64_t>(firstRaw, section.rawAt);
        const bool blank = headerAt + kSectionHeaderSize <= firstRaw &&
                           headerAt + kSectionHeaderSize <= image.size() &&
                           image.find_first_not_of('\0', headerAt) >= headerAt + kSectionHeaderSize;
        if (!blank || pe.sections.size() >= 0xFFFF)
            throw PeResourceError("no room for another section header");
        const uint64_t imageEnd = std::max<uint64_t>(
            {memoryEnd, pe.headersSize, get32(image, pe.optionalAt + kImageSizeField)});
        address = static_cast<uint32_t>(alignUp(imageEnd, pe.sectionAlignment));
        rawAt = alignUp(image.size(), pe.fileAlignment);
        out = image;
        out.resize(static_cast<size_t>(rawAt), '\0');
        put16(out, pe.fileHeaderAt + kSectionCountField,
              static_cast<uint16_t>(pe.sections.size() + 1));
        // The old tree stays where it was, unnamed by the data directory; it
        // gives up its name so that tools which look for ".rsrc" find the new one.
        if (old >= 0 && image.compare(pe.sections[static_cast<size_t>(old)].headerAt, 8,
                                      std::string(".rsrc\0\0\0", 8)) == 0)
            out.replace(pe.sections[static_cast<size_t>(old)].headerAt, 8, ".rsrcold");
    }
    const std::string section = layOutTree(tree, address);
    const uint64_t rawSize = alignUp(section.size(), pe.fileAlignment);
    const uint64_t imageSize = alignUp(uint64_t{address} + section.size(), pe.sectionAlignment);
    if (rawAt + rawSize > 0xFFFFFFFF || imageSize > 0xFFFFFFFF)
        throw PeResourceError("the image would exceed 4 GB");
    out += section;
    out.resize(static_cast<size_t>(rawAt + rawSize), '\0');

    // The section header: ".rsrc", sizes, place, initialised readable data.
    std::string header(kSectionHeaderSize, '\0');
    header.replace(0, 5, ".rsrc");
    put32(header, 8, static_cast<uint32_t>(section.size()));
    put32(header, 12, address);
    put32(header, 16, static_cast<uint32_t>(rawSize));
    put32(header, 20, static_cast<uint32_t>(rawAt));
    put32(header, 36, kResourceSectionFlags);
    out.replace(static_cast<size_t>(headerAt), kSectionHeaderSize, header);

    const uint32_t initialized = get32(out, pe.optionalAt + kInitializedDataField);
    put32(out, pe.optionalAt + kInitializedDataField,
          static_cast<uint32_t>(std::min<uint64_t>(
              0xFFFFFFFF, uint64_t{initialized} - std::min(initialized, oldRawSize) + rawSize)));
    put32(out, pe.optionalAt + kImageSizeField, static_cast<uint32_t>(imageSize));
    put32(out, pe.optionalAt + kChecksumField, 0);
    put32(out, pe.resourceEntryAt, address);
    put32(out, pe.resourceEntryAt + 4, static_cast<uint32_t>(section.size()));
    return out;
}

std::vector<uint16_t> parseVersionNumbers(const std::string& version) {
    std::vector<uint16_t> numbers(4, 0);
    size_t start = 0;
    for (size_t part = 0; part < 4 && start <= version.size(); ++part) {
        size_t end = version.find('.', start);
        if (end == std::string::npos) end = version.size();
        uint32_t value = 0;
        size_t i = start;
        while (i < end && value <= 0xFFFF && version[i] >= '0' && version[i] <= '9')
            value = value * 10 + static_cast<uint32_t>(version[i++] - '0');
        numbers[part] = value <= 0xFFFF ? static_cast<uint16_t>(value) : 0;
        start = end + 1;
    }
    return numbers;
}

namespace {

// The configuration's UTF-8 texts as the UTF-16 of the version block.
std::u16string fromUtf8(const std::string& text) {
    const std::wstring wide = Utf8ToWide(text);
    return std::u16string(wide.begin(), wide.end());
}

void appendText(std::string& out, const std::u16string& text) {
    for (const char16_t unit : text)
        appendLe16(out, static_cast<uint16_t>(unit));
    appendLe16(out, 0);
}

void padTo4(std::string& out) {
    while (out.size() % 4 != 0)
        out.push_back('\0');
}

// One block of a version resource: length, value length, type, key, value,
// children, each begun on a 4-byte boundary. valueLength counts UTF-16 units
// for text (type 1), bytes for binary values (type 0).
std::string versionBlock(const std::u16string& key, uint16_t type, uint16_t valueLength,
                         const std::string& value, const std::string& children) {
    std::string out(6, '\0');
    appendText(out, key);
    padTo4(out);
    out += value;
    if (!children.empty()) {
        padTo4(out);
        out += children;
    }
    put16(out, 0, static_cast<uint16_t>(out.size()));
    put16(out, 2, valueLength);
    put16(out, 4, type);
    return out;
}

}  // namespace

std::string versionInfoResource(const ProductIdentity& identity) {
    const std::vector<uint16_t> numbers = parseVersionNumbers(identity.version);
    const uint32_t high = uint32_t{numbers[0]} << 16 | numbers[1];
    const uint32_t low = uint32_t{numbers[2]} << 16 | numbers[3];
    std::string fixed;
    for (const uint32_t field : {0xFEEF04BDu, 0x00010000u, high, low, high, low, 0x3Fu, 0u,
                                 0x00040004u /* VOS_NT_WINDOWS32 */, 1u /* VFT_APP */, 0u, 0u, 0u})
        appendLe32(fixed, field);

    const std::pair<const char*, std::string> strings[] = {
        {"CompanyName", identity.publisher},
        {"FileDescription", identity.productName + " Setup"},
        {"FileVersion", identity.version},
        {"LegalCopyright", identity.copyright},
        {"OriginalFilename", identity.fileName},
        {"ProductName", identity.productName},
        {"ProductVersion", identity.version},
    };
    std::string table;
    for (const auto& [key, value] : strings) {
        if (value.empty()) continue;
        std::string text;
        const std::u16string wide = fromUtf8(value);
        appendText(text, wide);
        padTo4(table);
        table += versionBlock(fromUtf8(key), 1, static_cast<uint16_t>(wide.size() + 1), text,
                              "");
    }
    const std::string stringFileInfo =
        versionBlock(u"StringFileInfo", 1, 0, "", versionBlock(u"040904B0", 1, 0, "", table));
    std::string translation;
    appendLe16(translation, kLanguageEnglishUs);
    appendLe16(translation, 1200);  // Unicode
    const std::string varFileInfo =
        versionBlock(u"VarFileInfo", 1, 0, "", versionBlock(u"Translation", 0, 4, translation, ""));
    std::string children = stringFileInfo;
    padTo4(children);
    children += varFileInfo;
    return versionBlock(u"VS_VERSION_INFO", 0, static_cast<uint16_t>(fixed.size()), fixed, children);
}

namespace {

constexpr uint32_t kIconDirSize = 6;
constexpr uint32_t kIconEntrySize = 16;
constexpr uint32_t kGroupEntrySize = 14;
constexpr uint32_t kBitmapInfoSize = 40;

struct IconImage {
    std::string entry;  // the first 12 bytes of the directory entry
    std::string bytes;
};

// The images of an icon file (ICONDIR, entries of size and offset, images),
// each checked to lie in the file and to begin as a bitmap or a PNG.
std::vector<IconImage> readIconFile(const std::string& ico) {
    if (ico.size() < kIconDirSize || get16(ico, 0) != 0 || get16(ico, 2) != 1)
        throw PeResourceError("not an icon file");
    const uint16_t count = get16(ico, 4);
    if (count == 0) throw PeResourceError("the icon file holds no image");
    if (ico.size() < kIconDirSize + uint64_t{count} * kIconEntrySize)
        throw PeResourceError("the icon file's directory is cut short");
    std::vector<IconImage> images;
    for (uint16_t i = 0; i < count; ++i) {
        const uint64_t at = kIconDirSize + uint64_t{i} * kIconEntrySize;
        const uint32_t size = get32(ico, at + 8);
        const uint32_t offset = get32(ico, at + 12);
        const std::string number = "image " + std::to_string(i + 1);
        if (size == 0 || offset > ico.size() || size > ico.size() - offset)
            throw PeResourceError(number + " lies outside the icon file");
        IconImage image{ico.substr(static_cast<size_t>(at), 12), ico.substr(offset, size)};
        const bool png = image.bytes.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0;
        const bool bitmap = size >= kBitmapInfoSize && get32(image.bytes, 0) == kBitmapInfoSize;
        if (!png && !bitmap) throw PeResourceError(number + " is neither a bitmap nor a PNG");
        images.push_back(image);
    }
    return images;
}

// The RT_ICON ids a group resource names (nothing for one cut short).
std::vector<uint16_t> groupIconIds(const std::string& group) {
    std::vector<uint16_t> ids;
    if (group.size() < kIconDirSize) return ids;
    const uint16_t count = get16(group, 4);
    for (uint32_t i = 0; i < count && kIconDirSize + (i + 1) * kGroupEntrySize <= group.size(); ++i)
        ids.push_back(get16(group, kIconDirSize + i * kGroupEntrySize + 12));
    return ids;
}

}  // namespace

void replaceIcons(PeResourceTree& tree, const std::string& icoFile,
                  const std::vector<uint16_t>& groups) {
    const std::vector<IconImage> images = readIconFile(icoFile);
    PeResourceNames& groupNames = tree[PeResourceKey::Id(kResourceGroupIcon)];
    PeResourceNames& icons = tree[PeResourceKey::Id(kResourceIcon)];

    // The replaced groups' languages (neutral for a group the image lacks).
    std::map<uint16_t, std::set<PeResourceKey>> languages;
    for (const uint16_t group : groups) {
        const auto found = groupNames.find(PeResourceKey::Id(group));
        if (found == groupNames.end() || found->second.empty()) {
            languages[group].insert(PeResourceKey::Id(kLanguageNeutral));
            continue;
        }
        for (const auto& language : found->second)
            languages[group].insert(language.first);
        groupNames.erase(found);
    }
    // Drop the images no remaining group names.
    std::set<uint16_t> used;
    for (const auto& group : groupNames)
        for (const auto& language : group.second)
            for (const uint16_t id : groupIconIds(language.second.bytes))
                used.insert(id);
    for (auto icon = icons.begin(); icon != icons.end();) {
        const bool keep = icon->first.named || used.count(icon->first.id) != 0;
        icon = keep ? std::next(icon) : icons.erase(icon);
    }
    // The new images under the lowest free ids, in every language of the groups.
    std::set<PeResourceKey> allLanguages;
    for (const auto& group : languages)
        allLanguages.insert(group.second.begin(), group.second.end());
    std::string directory;
    appendLe16(directory, 0);
    appendLe16(directory, 1);
    appendLe16(directory, static_cast<uint16_t>(images.size()));
    uint16_t next = 1;
    for (const IconImage& image : images) {
        while (icons.count(PeResourceKey::Id(next)) != 0 || used.count(next) != 0) {
            if (next == 0xFFFF) throw PeResourceError("no free icon id left");
            ++next;
        }
        for (const PeResourceKey& language : allLanguages)
            icons[PeResourceKey::Id(next)][language] = PeResourceData{image.bytes, 0};
        directory += image.entry;
        appendLe16(directory, next);
    }
    for (const auto& [group, groupLanguages] : languages)
        for (const PeResourceKey& language : groupLanguages)
            groupNames[PeResourceKey::Id(group)][language] = PeResourceData{directory, 0};
    if (icons.empty()) tree.erase(PeResourceKey::Id(kResourceIcon));
}

const std::vector<uint16_t>& installerIconGroups() {
    // resources/resource_ids.h: IDI_SETUP_LARGE, IDI_SETUP_SMALL.
    static const std::vector<uint16_t> groups = {128, 133};
    return groups;
}
