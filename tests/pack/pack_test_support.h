// Helpers of the pack tests: temporary folders, files, and packs assembled
// byte by byte, independently of the pack's own writer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/byte_file.h"
#include "pack/pack_file.h"

namespace packtest {

// A folder of its own under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Path of a file in the folder, as the narrow string TPackFile takes.
    std::string File(const std::string& name) const;

private:
    std::filesystem::path path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
// A file of the golden folder (small.pack and the codec vectors).
std::string golden(const std::string& name);

std::string le16(uint16_t value);
std::string le32(uint32_t value);

// One version 5 index record.
struct Record {
    std::string name;
    uint32_t offset = 0;
    uint32_t storedSize = 0;
    uint32_t size = 0;
    uint32_t crc = 0;
    uint32_t stamp = 0;
    uint32_t flags = 0;
};
std::string recordBytes(const Record& record);

std::string blockStream(const std::string& data);
std::string lzStream(const std::string& data);
// One zstd frame of data at level 19.
std::string zstdStream(const std::string& data);

// "ix50", bodySize, count and the body as one block codec stream.
std::string v5Index(const std::string& body, uint32_t count, uint32_t bodySize);
std::string v5Index(const std::string& body, uint32_t count);

std::string trailer(uint32_t indexOffset, int32_t indexFromEnd, uint32_t formatWord);

// The format word of the packs written today (version 5, names in UTF-8),
// and of those written before names were UTF-8.
constexpr uint32_t kFormatWordUtf8Names = 0x705;
constexpr uint32_t kFormatWordLegacyNames = 0x305;

// stub + data + index + a trailer that points at the index.
std::string assemblePack(const std::string& stub, const std::string& data, const std::string& index,
                         uint32_t formatWord = kFormatWordUtf8Names);

// An entry of handBuiltPack: flags 0 stores data, 1 codes it with the LZ
// codec, 5 with the block codec, 13 as a zstd frame; the record gets the
// data's check value.
struct HandEntry {
    std::string name;
    std::string data;
    uint32_t flags = 0;
};
// stub, the entries' data in the order given, a version 5 index and trailer.
std::string handBuiltPack(const std::string& stub, const std::vector<HandEntry>& entries,
                          uint32_t formatWord = kFormatWordUtf8Names);

// A read-only pack over bytes in memory.
std::unique_ptr<TPackFile> openBytes(const std::string& bytes);

// The entry's data as a string, or nothing when Extract returns null.
struct Extracted {
    bool present = false;
    std::string data;
    uint32_t size = 0;
};
Extracted extract(TPackFile& pack, const char* name, bool verify = true);

// Collects what ExtractTo hands over, and the largest piece.
class CollectingSink final : public ByteSink {
public:
    bool Write(const void* data, size_t size) override;
    std::string bytes;
    size_t largestPiece = 0;
};

// A read-only file of size bytes that are all fill, made up as they are
// read: a read that reaches beyond the first readable bytes fails there.
class SyntheticFile final : public SeekableFile {
public:
    SyntheticFile(uint64_t size, char fill, uint64_t readable)
        : size_(size), readable_(readable), fill_(fill) {}

    bool Seek(uint64_t position) override {
        position_ = position;
        return true;
    }
    bool Read(void* data, size_t size, size_t& got) override {
        const uint64_t end = std::min(size_, readable_);
        got = static_cast<size_t>(std::min<uint64_t>(size, end - std::min(position_, end)));
        std::memset(data, fill_, got);
        position_ += got;
        return got == size || position_ >= size_;
    }
    bool Write(const void*, size_t) override { return false; }
    std::optional<uint64_t> Size() override { return size_; }
    std::optional<uint64_t> Position() override { return position_; }
    bool Flush() override { return true; }

private:
    uint64_t size_;
    uint64_t readable_;
    uint64_t position_ = 0;
    char fill_;
};

// Sets (or with null, removes) an environment variable for the object's life.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    bool hadValue_ = false;
    std::string oldValue_;
};

// Deterministic pseudo-random bytes.
std::string randomBytes(size_t count, uint32_t seed);

}  // namespace packtest
