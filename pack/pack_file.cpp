#include "pack/pack_file.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <optional>

#include "codecs/block_codec.h"
#include "codecs/lz_codec.h"
#include "codecs/zstd_codec.h"
#include "foundation/code_page.h"
#include "foundation/utf8.h"
#include "pack/pack_byte_streams.h"
#include "pack/pack_check.h"
#include "pack/pack_endian.h"
#include "pack/pack_index.h"
#include "pack/pack_prepared_entry.h"
#include "pack/pack_resize.h"
#include "pack/pack_signature.h"
#include "pack/pack_stamp.h"
#include "pack/pack_temp_file.h"

namespace {

constexpr size_t kCopyPieceSize = 256 * 1024;
// The index is a few kilobytes: it is read through a smaller buffer.
constexpr size_t kIndexBufferSize = 64 * 1024;
constexpr uint64_t kTrailerSize = 16;
constexpr uint64_t kIndexHeaderSize = 12;
constexpr char kTrailerMagic[4] = {'s', 'R', 'B', 'V'};
constexpr char kIndexMagic[4] = {'i', 'x', '5', '0'};
constexpr uint32_t kWrittenFormatWord = 0x305 | kPackFormatNamesUtf8;
constexpr uint32_t kFormatVersionMask = 0xF;
constexpr uint32_t kOldTableCompressed = 0x100;
constexpr uint32_t kOldTableLongRecords = 0x200;
constexpr uint64_t kMax32 = std::numeric_limits<uint32_t>::max();
// The smallest version 5 record: an empty name and six 32-bit fields.
constexpr uint64_t kMinIndexRecordSize = 26;
// A stream may decode to far more than its own length, so the index's
// recorded size cannot be checked against the file. A real index is a few
// kilobytes and 64 MiB hold a million records; the bound keeps a damaged
// index from claiming gigabytes.
constexpr uint64_t kMaxIndexBodySize = 64u << 20;

void doNothing() {}

bool readExactly(SeekableFile& file, void* out, uint64_t count) {
    size_t got = 0;
    return count <= std::numeric_limits<size_t>::max() &&
           file.Read(out, static_cast<size_t>(count), got) && got == count;
}

// Copies count bytes in pieces. A source that ends early fails the copy
// instead of being asked again for bytes that will never come.
bool copyBytes(SeekableFile& from, SeekableFile& to, uint64_t count, uint8_t* piece) {
    while (count > 0) {
        const auto wanted = static_cast<size_t>(std::min<uint64_t>(count, kCopyPieceSize));
        size_t got = 0;
        if (!from.Read(piece, wanted, got) || got == 0 || !to.Write(piece, got)) return false;
        count -= got;
    }
    return true;
}

// Bits 0 to 2 of the mode become flags bits 0, 2 and 1; a zstd entry carries
// kPackFlagZstd with the block codec's bits.
uint32_t flagsFromMode(uint32_t mode) {
    uint32_t flags = 0;
    if (mode & kPackModeCompress) flags |= kPackFlagCompressed;
    if (mode & kPackModeBlockCodec) flags |= kPackFlagBlockCodec;
    if (mode & kPackModeMark) flags |= kPackFlagMarked;
    if (packModeIsZstd(mode)) flags |= kPackFlagBlockCodec | kPackFlagZstd;
    return flags;
}


// Holds an allocation that may fail: null instead of an exception, so a
// damaged size never ends the process.
std::unique_ptr<uint8_t[]> tryAllocate(uint64_t size) {
    if (size >= std::numeric_limits<size_t>::max()) return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[static_cast<size_t>(size) + 1]);
}

// Counts the bytes on their way to output and keeps their check value.
class CheckingSink final : public ByteSink {
public:
    explicit CheckingSink(ByteSink& output) : output_(output) {}
    bool Write(const void* data, size_t size) override {
        check_.Update(data, size);
        seen_ += size;
        return output_.Write(data, size);
    }
    // The output's own memory, when it offers it: the bytes put there are
    // checked when they are committed.
    uint8_t* Space(size_t& room) override { return output_.Space(room); }
    bool Commit(size_t count) override {
        size_t room = 0;
        const uint8_t* placed = output_.Space(room);
        if (!placed || count > room) return count == 0;
        check_.Update(placed, count);
        seen_ += count;
        return output_.Commit(count);
    }
    uint64_t BytesSeen() const { return seen_; }
    uint32_t Value() const { return check_.Value(); }

private:
    ByteSink& output_;
    PackCheck check_;
    uint64_t seen_ = 0;
};

// What a decoder's status means for an entry. The input holds all the stored
// bytes, so a stream cut by its end is StoredSizeWrong; a failed read of the
// file makes the entry undecodable.
PackReadStatus readStatusOf(CodecStatus status) {
    switch (status) {
        case CodecStatus::Ok: return PackReadStatus::Ok;
        case CodecStatus::Truncated: return PackReadStatus::StoredSizeWrong;
        case CodecStatus::WriteFailed: return PackReadStatus::OutputFailed;
        case CodecStatus::OutOfMemory: return PackReadStatus::NoMemory;
        case CodecStatus::Corrupt:
        case CodecStatus::OutputFull:
        case CodecStatus::ReadFailed: return PackReadStatus::Undecodable;
    }
    return PackReadStatus::Undecodable;
}

// Decodes the stored data in input, which ends where they end, into output.
// Ok means the stream decoded whole to `size` bytes at most (the caller
// counts them); a stream cut by the end of input is StoredSizeWrong, as the
// input holds all the stored bytes. Block streams are decoded by the
// pool's decoders.
PackReadStatus decodeInto(ByteSource& input, PackMethod method, uint32_t size, ByteSink& output,
                          CodecCallback progress, BlockDecoderPool& blockDecoders) {
    switch (method) {
        case PackMethod::Store: {
            const auto pieceSize = static_cast<size_t>(std::min<uint64_t>(size, kCopyPieceSize));
            std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[pieceSize]);
            if (!piece) return PackReadStatus::NoMemory;
            for (uint64_t left = size; left > 0;) {
                const auto wanted = static_cast<size_t>(std::min<uint64_t>(left, pieceSize));
                if (input.Read(piece.get(), wanted) != wanted)
                    return PackReadStatus::StoredSizeWrong;
                if (!output.Write(piece.get(), wanted)) return PackReadStatus::OutputFailed;
                left -= wanted;
            }
            return PackReadStatus::Ok;
        }
        case PackMethod::Block: {
            const BlockDecoderPool::Lease decoder = blockDecoders.Take();
            if (!decoder.get()) return PackReadStatus::NoMemory;
            return readStatusOf(decoder.get()->decodeTo(input, output, size, progress).status);
        }
        case PackMethod::Lz:
            return readStatusOf(lzUncompressTo(input, output, size, progress).status);
        case PackMethod::Zstd:
            return readStatusOf(zstdUncompressTo(input, output, size, progress).status);
        case PackMethod::Unknown:
            return PackReadStatus::Undecodable;
    }
    return PackReadStatus::Undecodable;
}

// The disk file path as one block plus a zero byte, or null.
uint8_t* readDiskFile(const char* path, uint32_t* sizeOut) {
    const std::unique_ptr<DiskFile> file = DiskFile::Open(path, DiskFile::Access::Read);
    if (!file) return nullptr;
    const std::optional<uint64_t> length = file->Size();
    if (!length || *length > kMax32) return nullptr;
    std::unique_ptr<uint8_t[]> block = tryAllocate(*length);
    if (!block || !readExactly(*file, block.get(), *length)) return nullptr;
    block[*length] = 0;
    if (sizeOut) *sizeOut = static_cast<uint32_t>(*length);
    return block.release();
}

// The 16 bytes that end at end.
bool readTrailer(SeekableFile& file, uint64_t end, uint8_t* trailer) {
    return end >= kTrailerSize && file.Seek(end - kTrailerSize) &&
           readExactly(file, trailer, kTrailerSize);
}

// Where the pack of a signed file ends: at the certificate table, or before
// the zero bytes that padded the file for it. The pack's own last bytes may
// be zero too, so the padding is the shortest run of those zeros behind
// which a trailer begins; without one, the pack (if any) ends at the table.
uint64_t signedPackEnd(SeekableFile& file, const PeCertificateTable& table) {
    for (uint32_t padding = 0; padding <= table.zerosBefore; ++padding) {
        uint8_t trailer[kTrailerSize];
        const uint64_t end = table.offset - padding;
        if (readTrailer(file, end, trailer) && std::memcmp(trailer, kTrailerMagic, 4) == 0)
            return end;
    }
    return table.offset;
}

// Names of a pack written before names were UTF-8 are bytes in the ANSI
// code page of the system that wrote them, which is taken to be this one's.
// A name that is valid UTF-8 already (ASCII, or written by a tool that used
// UTF-8) stays as it is. Two names that become one: the later in the old
// name order is kept, as for two records of one name.
void convertLegacyNames(PackIndex& index) {
    const bool allUtf8 = std::all_of(index.begin(), index.end(),
                                     [](const auto& record) { return IsValidUtf8(record.first); });
    if (allUtf8) return;
    PackIndex converted;
    for (auto& [name, entry] : index) {
        std::string utf8 = name;
        if (!IsValidUtf8(name) && !CodePageToUtf8(kSystemCodePage, name, utf8)) utf8 = name;
        entry.name = utf8;
        converted[std::move(utf8)] = std::move(entry);
    }
    index = std::move(converted);
}

}  // namespace

bool PackBlockSink::Write(const void* data, size_t size) {
    if (size > room_) return false;
    std::memcpy(block_, data, size);
    return Commit(size);
}

uint8_t* PackBlockSink::Space(size_t& room) {
    room = static_cast<size_t>(std::min<uint64_t>(room_, std::numeric_limits<size_t>::max()));
    return block_;
}

bool PackBlockSink::Commit(size_t count) {
    if (count > room_) return false;
    block_ += count;
    room_ -= count;
    return true;
}

PackMethod TPackEntry::Method() const {
    const uint32_t later = flags & kPackFlagMethodBits;
    if (later == 0) {
        if (!(flags & kPackFlagCompressed)) return PackMethod::Store;
        return (flags & kPackFlagBlockCodec) ? PackMethod::Block : PackMethod::Lz;
    }
    const uint32_t zstd = kPackFlagZstd | kPackFlagCompressed | kPackFlagBlockCodec;
    if (later == kPackFlagZstd && (flags & zstd) == zstd) return PackMethod::Zstd;
    return PackMethod::Unknown;
}

bool PackNameLess::operator()(const std::string& a, const std::string& b) const {
    const size_t common = std::min(a.size(), b.size());
    const int order = std::memcmp(a.data(), b.data(), common);  // compares unsigned bytes
    return order != 0 ? order < 0 : a.size() < b.size();
}

// ---------------------------------------------------------------------------
// Opening and reading the index

TPackFile::TPackFile(const char* path, bool writable) : progress_(doNothing) {
    Open(path, writable);
}

TPackFile::TPackFile(std::unique_ptr<SeekableFile> file) : progress_(doNothing) {
    Reset();
    if (!file) return;
    file_ = std::move(file);
    ReadPack(false);
}

TPackFile::~TPackFile() {
    Flush();
}

void TPackFile::Reset() {
    index_.reset();
    file_.reset();
    path_.clear();
    writable_ = false;
    failed_ = true;
    modified_ = false;
    packBase_ = 0;
    endOfData_ = 0;
    packEnd_ = 0;
    certificateTable_.reset();
    formatVersion_ = kPackFormatVersion;
    progress_ = doNothing;
}

void TPackFile::Open(const char* path, bool writable) {
    Flush();
    Reset();
    if (!OpenFile(path, writable)) return;
    ReadPack(writable);
}

bool TPackFile::OpenFile(const char* path, bool writable) {
    file_ = DiskFile::Open(path, writable ? DiskFile::Access::Create : DiskFile::Access::Read);
    if (!file_) return false;
    path_ = path;
    writable_ = writable;
    return true;
}

void TPackFile::ReadPack(bool writable) {
    const std::optional<uint64_t> length = file_->Size();
    if (!length) return;
    uint64_t end = *length;
    certificateTable_ = findPeCertificateTable(*file_, *length);
    if (certificateTable_) {
        // Any change would break the signature: a signed file is only read.
        if (writable) return;
        end = signedPackEnd(*file_, *certificateTable_);
    }
    packEnd_ = end;

    uint8_t trailer[kTrailerSize];
    const bool trailerRead = readTrailer(*file_, end, trailer);
    const uint32_t formatWord = trailerRead ? readLe32(trailer + 12) : 0;
    if (!trailerRead || std::memcmp(trailer, kTrailerMagic, 4) != 0 ||
        (formatWord & kFormatVersionMask) > kPackFormatVersion) {
        if (writable) BeginNewPack(end);
        return;
    }

    // A foreign or damaged trailer may point anywhere: the index must lie
    // before the trailer, and the pack base before the index.
    const uint32_t indexOffset = readLe32(trailer + 4);
    const int64_t indexFromEnd = static_cast<int32_t>(readLe32(trailer + 8));
    if (indexFromEnd > -static_cast<int64_t>(kTrailerSize) ||
        static_cast<uint64_t>(-indexFromEnd) > end)
        return;
    const uint64_t indexPosition = end - static_cast<uint64_t>(-indexFromEnd);
    if (indexOffset > indexPosition) return;

    auto index = std::make_unique<PackIndex>();
    if (!ReadIndex(indexPosition, end - kTrailerSize, formatWord, *index)) return;
    if (!(formatWord & kPackFormatNamesUtf8)) convertLegacyNames(*index);
    packBase_ = indexPosition - indexOffset;
    endOfData_ = indexPosition;
    formatVersion_ = formatWord & kFormatVersionMask;
    index_ = std::move(index);
    enumeration_ = index_->begin();
    failed_ = false;
}

void TPackFile::BeginNewPack(uint64_t fileLength) {
    packBase_ = fileLength;
    endOfData_ = fileLength;
    formatVersion_ = kPackFormatVersion;
    index_ = std::make_unique<PackIndex>();
    enumeration_ = index_->begin();
    failed_ = false;
}

bool TPackFile::ReadIndex(uint64_t indexPosition, uint64_t indexEnd, uint32_t formatWord,
                          PackIndex& index) {
    if ((formatWord & kFormatVersionMask) == kPackFormatVersion)
        return ReadIndexV5(indexPosition, indexEnd, index);
    return ReadOldTable(indexPosition, indexEnd, formatWord, index);
}

bool TPackFile::ReadIndexV5(uint64_t indexPosition, uint64_t indexEnd, PackIndex& index) {
    uint8_t header[kIndexHeaderSize];
    if (indexEnd - indexPosition < kIndexHeaderSize || !file_->Seek(indexPosition) ||
        !readExactly(*file_, header, kIndexHeaderSize) || std::memcmp(header, kIndexMagic, 4) != 0)
        return false;
    const uint32_t bodySize = readLe32(header + 4);
    const uint32_t count = readLe32(header + 8);
    if (bodySize > kMaxIndexBodySize || count * kMinIndexRecordSize > bodySize) return false;
    std::unique_ptr<uint8_t[]> body = tryAllocate(bodySize);
    if (!body) return false;
    FileSource stream(*file_, kIndexBufferSize);
    const CodecResult decoded = decodeBlockStream(stream, body.get(), bodySize, nullptr);
    if (decoded.status != CodecStatus::Ok || decoded.size != bodySize) return false;
    return parsePackIndexBody(body.get(), bodySize, count, index);
}

bool TPackFile::ReadOldTable(uint64_t indexPosition, uint64_t indexEnd, uint32_t formatWord,
                             PackIndex& index) {
    uint8_t countBytes[4];
    if (indexEnd - indexPosition < 4 || !file_->Seek(indexPosition) ||
        !readExactly(*file_, countBytes, 4))
        return false;
    const uint32_t count = readLe32(countBytes);
    const bool compressed = (formatWord & kOldTableCompressed) != 0;
    const size_t recordSize = compressed || (formatWord & kOldTableLongRecords)
                                  ? kOldRecordSizeLong
                                  : kOldRecordSizeShort;
    const uint64_t tableSize = static_cast<uint64_t>(count) * recordSize;
    // A raw table lies between its count and the trailer; a compressed one
    // can claim any size, so it gets the bound of the version 5 index.
    const uint64_t limit = compressed ? kMaxIndexBodySize : indexEnd - indexPosition - 4;
    if (tableSize > limit) return false;
    std::unique_ptr<uint8_t[]> table = tryAllocate(tableSize);
    if (!table) return false;
    if (compressed) {
        FileSource stream(*file_, kIndexBufferSize);
        const CodecResult decoded =
            decodeBlockStream(stream, table.get(), static_cast<size_t>(tableSize), nullptr);
        if (decoded.status != CodecStatus::Ok || decoded.size != tableSize) return false;
    } else if (!readExactly(*file_, table.get(), tableSize)) {
        return false;
    }
    parseOldPackTable(table.get(), count, recordSize, packStamp(), index);
    return true;
}

// ---------------------------------------------------------------------------
// Looking up and extracting

int TPackFile::GetCount() const {
    return index_ ? static_cast<int>(index_->size()) : 0;
}

TPackEntry* TPackFile::Find(const char* name) {
    if (!index_) return nullptr;
    const auto found = index_->find(name ? name : "");
    return found == index_->end() ? nullptr : &found->second;
}

TPackEntry* TPackFile::GetFirst() {
    if (!index_) return nullptr;
    enumeration_ = index_->begin();
    return GetNext();
}

TPackEntry* TPackFile::GetNext() {
    if (!index_ || enumeration_ == index_->end()) return nullptr;
    TPackEntry* entry = &enumeration_->second;
    ++enumeration_;
    return entry;
}

uint8_t* TPackFile::Extract(const char* name, bool verify, uint32_t* sizeOut) {
    const TPackEntry* entry = Find(name);
    if (!entry) return readDiskFile(name ? name : "", sizeOut);

    failed_ = true;
    std::unique_ptr<uint8_t[]> block = tryAllocate(entry->size);
    if (!block) return nullptr;
    PackBlockSink fill(block.get(), entry->size);
    const PackReadStatus status = DecodeEntry(*entry, fill);
    if (status != PackReadStatus::Ok && status != PackReadStatus::CheckMismatch) return nullptr;
    block[entry->size] = 0;
    failed_ = verify && status == PackReadStatus::CheckMismatch;
    if (sizeOut) *sizeOut = entry->size;
    return block.release();
}

PackReadStatus TPackFile::ExtractTo(const std::string& name, ByteSink& output) {
    failed_ = true;
    const auto found = index_ ? index_->find(name) : PackIndex::iterator{};
    if (!index_ || found == index_->end()) return PackReadStatus::NoEntry;
    const PackReadStatus status = DecodeEntry(found->second, output);
    failed_ = status != PackReadStatus::Ok;
    return status;
}

bool TPackFile::EntryDataInFile(const TPackEntry& entry) const {
    return packBase_ + entry.offset + entry.storedSize <= endOfData_;
}

PackReadStatus TPackFile::DecodeEntry(const TPackEntry& entry, ByteSink& output) {
    return ReadEntryShared(entry, output, progress_);
}

PackReadStatus TPackFile::ReadEntryShared(const TPackEntry& entry, ByteSink& output,
                                          CodecCallback progress) const {
    if (!file_ || !EntryDataInFile(entry)) return PackReadStatus::DataOutside;
    const PackMethod method = entry.Method();
    if (method == PackMethod::Store && entry.storedSize != entry.size)
        return PackReadStatus::StoredSizeWrong;
    // The decoders see the stored data and nothing beyond: a stream that runs
    // on past storedSize meets the end of its input. The file is read under
    // the lock, a piece at a time, and decoded outside it.
    PackRangeSource range(*file_, fileLock_, packBase_ + entry.offset, entry.storedSize);
    CheckingSink checking(output);
    const PackReadStatus status = decodeInto(range, method, entry.size, checking, progress, blockDecoders_);
    if (range.SourceFailed()) return PackReadStatus::Undecodable;
    if (status == PackReadStatus::Ok && range.Remaining() != 0)
        return PackReadStatus::StoredSizeWrong;
    if (status != PackReadStatus::Ok) return status;
    if (checking.BytesSeen() != entry.size) return PackReadStatus::Undecodable;
    return checking.Value() == entry.crc ? PackReadStatus::Ok : PackReadStatus::CheckMismatch;
}

// ---------------------------------------------------------------------------
// Writing

TPackEntry* TPackFile::AddStream(SeekableFile& input, const char* name, uint32_t mode) {
    failed_ = true;
    if (!index_ || !writable_ || !file_) return nullptr;
    std::string key = name ? name : "";
    if (key.size() > kMaxPackNameLength) return nullptr;

    TPackEntry entry;
    entry.name = key;
    if (!WriteEntryData(input, mode, entry)) return nullptr;
    return PutRecord(std::move(entry), mode);
}

bool TPackFile::WriteEntryData(SeekableFile& input, uint32_t mode, TPackEntry& entry) {
    const uint64_t offset = endOfData_ - packBase_;
    if (offset > kMax32) return false;
    if (!file_->Seek(endOfData_)) return false;

    // The data overwrite the index and trailer: from here on the next Flush
    // must write them again, even if this entry fails.
    modified_ = true;
    PackCodedData coded;
    FileSink sink(*file_);
    const bool written = codePackEntry(input, mode, sink, progress_, nullptr, coded);
    return written && RecordData(offset, coded, entry);
}

bool TPackFile::RecordData(uint64_t offset, const PackCodedData& coded, TPackEntry& entry) const {
    if (coded.size > kMax32 || offset + coded.storedSize > kMax32) return false;
    entry.offset = static_cast<uint32_t>(offset);
    entry.storedSize = static_cast<uint32_t>(coded.storedSize);
    entry.size = static_cast<uint32_t>(coded.size);
    entry.crc = coded.crc;
    return true;
}

TPackEntry* TPackFile::AddPrepared(PackPreparedEntry& prepared, const char* name) {
    failed_ = true;
    if (!index_ || !writable_ || !file_ || !prepared.IsPrepared()) return nullptr;
    std::string key = name ? name : "";
    if (key.size() > kMaxPackNameLength) return nullptr;
    const uint64_t offset = endOfData_ - packBase_;
    if (offset > kMax32 || !file_->Seek(endOfData_)) return nullptr;

    modified_ = true;  // as in AddStream: the old index is being overwritten
    FileSink fileSink(*file_);
    PackCountingSink sink(fileSink);
    const bool copied = prepared.Stored().CopyTo(sink) && sink.Flush();
    const PackCodedData& coded = prepared.Coded();
    TPackEntry entry;
    entry.name = key;
    if (!copied || sink.BytesWritten() != coded.storedSize || !RecordData(offset, coded, entry))
        return nullptr;
    return PutRecord(std::move(entry), prepared.Mode());
}

TPackEntry* TPackFile::PutRecord(TPackEntry entry, uint32_t mode) {
    entry.stamp = packStamp();
    entry.flags = flagsFromMode(mode);
    endOfData_ = packBase_ + entry.offset + entry.storedSize;
    TPackEntry& stored = (*index_)[entry.name];
    stored = std::move(entry);
    modified_ = true;
    failed_ = false;
    return &stored;
}

void TPackFile::Remove(const char* name) {
    if (!index_) return;
    const auto found = index_->find(name ? name : "");
    if (found == index_->end()) return;
    // Keep a running enumeration on a record that still exists.
    if (enumeration_ == found) ++enumeration_;
    index_->erase(found);
}

void TPackFile::Flush() {
    if (!modified_) return;
    uint64_t fileEnd = 0;
    failed_ = !(WriteIndexAndTrailer(fileEnd) && CutFileAt(fileEnd));
    if (!failed_) modified_ = false;
}

bool TPackFile::WriteIndexAndTrailer(uint64_t& fileEnd) {
    std::string body = serialisePackIndexBody(*index_);
    const uint64_t indexOffset = endOfData_ - packBase_;
    if (body.size() > kMax32 || indexOffset > kMax32 || !file_->Seek(endOfData_)) return false;

    FileSink fileSink(*file_);
    PackCountingSink sink(fileSink);
    uint8_t header[kIndexHeaderSize];
    std::memcpy(header, kIndexMagic, 4);
    writeLe32(header + 4, static_cast<uint32_t>(body.size()));
    writeLe32(header + 8, static_cast<uint32_t>(index_->size()));
    MemorySource bodySource(body);
    if (!sink.Write(header, kIndexHeaderSize) ||
        blockCompress(bodySource, sink, nullptr).status != CodecStatus::Ok)
        return false;

    const uint64_t indexLength = sink.BytesWritten();
    if (indexLength + kTrailerSize > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        return false;
    uint8_t trailer[kTrailerSize];
    std::memcpy(trailer, kTrailerMagic, 4);
    writeLe32(trailer + 4, static_cast<uint32_t>(indexOffset));
    writeLe32(trailer + 8,
              static_cast<uint32_t>(-static_cast<int32_t>(indexLength + kTrailerSize)));
    writeLe32(trailer + 12, kWrittenFormatWord);
    const bool written = sink.Write(trailer, kTrailerSize) && sink.Flush();
    fileEnd = endOfData_ + sink.BytesWritten();
    return written;
}

// The trailer must be the file's last 16 bytes: a new index shorter than the
// old index and trailer would otherwise leave their tail behind it.
bool TPackFile::CutFileAt(uint64_t fileEnd) {
    const std::optional<uint64_t> length = file_->Size();
    if (!length) return false;
    if (*length == fileEnd) return true;
    if (!file_->Flush() || !resizePackFile(path_, fileEnd)) return false;
    return file_->Seek(fileEnd);
}

void TPackFile::Compact() {
    failed_ = true;
    if (!index_ || !writable_ || !file_) return;
    PackTempFile temp;
    std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[kCopyPieceSize]);
    if (!temp.IsOpen() || !piece) return;
    SeekableFile& tempFile = temp.File();

    // First pass: every entry read whole and checked, and its data copied
    // into the temporary file, in name order. The pack is only read, so a
    // damaged entry leaves it as it was: rewriting it by a wrong storedSize
    // would spoil what lies beside it.
    compactDamage_ = PackEntryDamage{};
    std::vector<uint32_t> newOffsets;
    newOffsets.reserve(index_->size());
    uint64_t dataLength = 0;
    for (const auto& [name, entry] : *index_) {
        DiscardingSink discard;
        const PackReadStatus status = DecodeEntry(entry, discard);
        if (status != PackReadStatus::Ok) {
            compactDamage_ = PackEntryDamage{name, status};
            return;
        }
        if (!file_->Seek(packBase_ + entry.offset)) return;
        if (!copyBytes(*file_, tempFile, entry.storedSize, piece.get())) return;
        newOffsets.push_back(static_cast<uint32_t>(dataLength));
        dataLength += entry.storedSize;
        if (dataLength > kMax32) return;
    }
    if (!tempFile.Flush() || !tempFile.Seek(0)) return;

    // Second pass: the data back to back from the pack base.
    if (!file_->Seek(packBase_)) return;
    // From here the old layout is overwritten: the index describes the new
    // one, and is written again by the next Flush if anything below fails.
    const bool wasModified = modified_;
    modified_ = true;
    size_t next = 0;
    for (auto& [name, entry] : *index_)
        entry.offset = newOffsets[next++];
    endOfData_ = packBase_ + dataLength;
    if (!copyBytes(tempFile, *file_, dataLength, piece.get())) return;

    uint64_t fileEnd = 0;
    if (!WriteIndexAndTrailer(fileEnd) || !CutFileAt(fileEnd)) return;
    modified_ = wasModified;
    failed_ = false;
}

// ---------------------------------------------------------------------------
// Settings

void TPackFile::SetProgressCallback(CodecCallback callback) {
    progress_ = callback ? callback : doNothing;
}

void TPackFile::SetUserData(const void* data, int32_t length) {
    if (!data || length <= 0) return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    userData_.assign(bytes, bytes + length);
}
