#include "tests/pack/pack_test_support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "codecs/block_codec.h"
#include "codecs/lz_codec.h"
#include "codecs/zstd_codec.h"
#include "foundation/byte_file.h"
#include "pack/pack_check.h"

namespace packtest {

TempDir::TempDir() {
    std::random_device device;
    path_ = std::filesystem::temp_directory_path() /
            ("nerro-pack-test-" + std::to_string(device()) + std::to_string(device()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const {
    return (path_ / name).string();
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

std::string golden(const std::string& name) {
    return readFile(std::string(NERRO_GOLDEN_DIR) + "/" + name);
}

std::string le16(uint16_t value) {
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string le32(uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

std::string recordBytes(const Record& record) {
    return le16(static_cast<uint16_t>(record.name.size())) + record.name + le32(record.offset) +
           le32(record.storedSize) + le32(record.size) + le32(record.crc) + le32(record.stamp) +
           le32(record.flags);
}

std::string blockStream(const std::string& data) {
    MemorySource input(data);
    StringSink output;
    compressStream(input, output, nullptr);
    return output.bytes;
}

std::string lzStream(const std::string& data) {
    MemorySource input(data);
    StringSink output;
    lzCompress(input, output, nullptr);
    return output.bytes;
}

std::string zstdStream(const std::string& data) {
    MemorySource input(data);
    StringSink output;
    zstdCompress(input, data.size(), output, kZstdDefaultLevel, nullptr);
    return output.bytes;
}

std::string v5Index(const std::string& body, uint32_t count, uint32_t bodySize) {
    return "ix50" + le32(bodySize) + le32(count) + blockStream(body);
}

std::string v5Index(const std::string& body, uint32_t count) {
    return v5Index(body, count, static_cast<uint32_t>(body.size()));
}

std::string trailer(uint32_t indexOffset, int32_t indexFromEnd, uint32_t formatWord) {
    return "sRBV" + le32(indexOffset) + le32(static_cast<uint32_t>(indexFromEnd)) +
           le32(formatWord);
}

std::string assemblePack(const std::string& stub, const std::string& data, const std::string& index,
                         uint32_t formatWord) {
    return stub + data + index +
           trailer(static_cast<uint32_t>(data.size()), -static_cast<int32_t>(index.size() + 16),
                   formatWord);
}

std::string handBuiltPack(const std::string& stub, const std::vector<HandEntry>& entries,
                          uint32_t formatWord) {
    std::string data;
    std::string body;
    for (const HandEntry& entry : entries) {
        const std::string stored = entry.flags == 0    ? entry.data
                                   : entry.flags == 1  ? lzStream(entry.data)
                                   : entry.flags == 13 ? zstdStream(entry.data)
                                                       : blockStream(entry.data);
        Record record;
        record.name = entry.name;
        record.offset = static_cast<uint32_t>(data.size());
        record.storedSize = static_cast<uint32_t>(stored.size());
        record.size = static_cast<uint32_t>(entry.data.size());
        record.crc = packCheckValue(entry.data.data(), entry.data.size());
        record.flags = entry.flags;
        body += recordBytes(record);
        data += stored;
    }
    return assemblePack(stub, data, v5Index(body, static_cast<uint32_t>(entries.size())),
                        formatWord);
}

bool CollectingSink::Write(const void* data, size_t size) {
    bytes.append(static_cast<const char*>(data), size);
    largestPiece = std::max(largestPiece, size);
    return true;
}

std::unique_ptr<TPackFile> openBytes(const std::string& bytes) {
    return std::make_unique<TPackFile>(std::make_unique<MemoryFile>(bytes));
}

Extracted extract(TPackFile& pack, const char* name, bool verify) {
    Extracted result;
    uint32_t size = 0xDEADBEEF;
    std::unique_ptr<uint8_t[]> block(pack.Extract(name, verify, &size));
    if (!block) return result;
    result.present = true;
    result.size = size;
    result.data.assign(reinterpret_cast<const char*>(block.get()), size);
    if (block[size] != 0) throw std::runtime_error("Extract: no zero byte after the data");
    return result;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        hadValue_ = true;
        oldValue_ = old;
    }
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

ScopedEnv::~ScopedEnv() {
#ifdef _WIN32
    _putenv_s(name_.c_str(), hadValue_ ? oldValue_.c_str() : "");
#else
    if (hadValue_)
        setenv(name_.c_str(), oldValue_.c_str(), 1);
    else
        unsetenv(name_.c_str());
#endif
}

std::string randomBytes(size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

}  // namespace packtest
