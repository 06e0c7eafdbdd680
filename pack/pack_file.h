// TPackFile: the payload pack, an archive of named entries at the end of a file.
//
// A pack is a file of its own or the tail of another file (the installer
// carries its pack behind its executable image). Nothing before the pack
// points at it: a reader finds it from the file's last 16 bytes.
//
//   position 0                                                     file length
//   |  anything (stub)  |  entry data ...  |  index  |  trailer (16 bytes)  |
//   ^                   ^                  ^         ^
//   0              pack base          end of data    file length - 16
//
//   trailer  "sRBV" | indexOffset | indexFromEnd | formatWord     (4 bytes each)
//            index position P = file length + indexFromEnd (negative)
//            pack base        = P - indexOffset
//            formatWord       bits 0 to 3: the format version; 0x100 and
//                             0x200: the kind of an old table (versions 0 to
//                             4); 0x400: the names are UTF-8. Readers take the
//                             version from bits 0 to 3 alone, so a reader
//                             that knows no later bit still reads the pack.
//   index    "ix50" | bodySize | count | block codec stream of the body
//   body     count records: nameLength (16-bit) | name | offset | storedSize |
//            size | crc | stamp | flags                          (32-bit each)
//
// A signed installer (pack_signature.h) ends in a certificate table behind
// the pack and the zero bytes that padded it: there the trailer ends where
// that padding begins instead of at the file's end.
//
// Every integer is little-endian. An entry's data lie at pack base + offset:
// storedSize bytes, either the raw bytes or one compressed stream (block codec,
// LZ codec or zstd frame, chosen by flags). crc is the pack check value (pack_check.h) of
// the uncompressed bytes. Format versions 0 to 4 keep a plain table of
// fixed-size records instead of the "ix50" index; they are read, never written.
//
// Entry names are UTF-8, and every writer sets 0x400 in the format word to
// say so. A pack without that bit was written when names were bytes in the
// writer's ANSI code page: reading its index turns each name that is not
// valid UTF-8 into UTF-8 from the system's code page (code_page.h), so the
// records in memory always have UTF-8 names, and the next index written
// (Flush, Compact) holds them so, with the bit.
//
// Writing appends entry data at the end of data, over the old index and
// trailer; Flush writes a fresh index and trailer behind them. Compact rewrites
// the data back to back in name order and drops the space of replaced and
// removed entries.
//
// Damaged packs are handled safely: no operation writes outside its buffers,
// ends the process or waits for input that never comes, whatever the file holds.
//
// One object has one file position: one operation at a time, except that
// ReadEntryShared may run on several threads at once (it reads the file under
// a lock of the object's). Objects are independent: packs may be read and
// written on several threads at once, one object per thread. Entries can be
// compressed on other threads ahead of their turn (pack_prepared_entry.h)
// and appended with AddPrepared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "codecs/codec_callback.h"
#include "codecs/zstd_codec.h"
#include "foundation/byte_file.h"
#include "foundation/byte_stream.h"
#include "foundation/tobject.h"
#include "pack/pack_decoder_pool.h"
#include "pack/pack_signature.h"

// Longest entry name: the index stores the length as a signed 16-bit value.
constexpr size_t kMaxPackNameLength = 32767;

// The format version every writer produces.
constexpr uint32_t kPackFormatVersion = 5;
// The bit of the trailer's format word that says the entry names are UTF-8.
constexpr uint32_t kPackFormatNamesUtf8 = 0x400;

// Mode word of AddStream (bits 0 to 3, and 8 to 12 for zstd's level).
constexpr uint32_t kPackModeCompress = 1;    // bit 0: compress; clear: store as is
constexpr uint32_t kPackModeBlockCodec = 2;  // bit 1, with bit 0: block codec; clear: LZ codec
constexpr uint32_t kPackModeMark = 4;        // bit 2: recorded as flags bit 1, no other effect
constexpr uint32_t kPackModeZstdCodec = 8;   // bit 3, with bit 0: zstd (whatever bit 1 says)
constexpr uint32_t kPackModeStore = 0;
constexpr uint32_t kPackModeLz = kPackModeCompress;
constexpr uint32_t kPackModeBlock = kPackModeCompress | kPackModeBlockCodec;
constexpr uint32_t kPackModeZstd = kPackModeCompress | kPackModeZstdCodec;  // at level 19
// Bits 8 to 12: the zstd level, 1 to 19; 0 stands for the default, 19.
constexpr uint32_t kPackModeLevelShift = 8;
constexpr uint32_t kPackModeLevelMask = 0x1F << kPackModeLevelShift;

// The mode that stores zstd frames of that level (1 to 19).
constexpr uint32_t packModeZstd(int level) {
    return kPackModeZstd | ((static_cast<uint32_t>(level) << kPackModeLevelShift) & kPackModeLevelMask);
}

// Whether the mode stores zstd frames, and at which level (0 for 19).
constexpr bool packModeIsZstd(uint32_t mode) {
    return (mode & kPackModeCompress) && (mode & kPackModeZstdCodec);
}
constexpr int packModeZstdLevel(uint32_t mode) {
    const int level = static_cast<int>((mode & kPackModeLevelMask) >> kPackModeLevelShift);
    return level == 0 ? kZstdDefaultLevel : level;
}

// Bits of TPackEntry::flags.
//
// Bits 3 to 7 name the methods that came after the first three. A zstd entry
// carries kPackFlagZstd together with kPackFlagCompressed and
// kPackFlagBlockCodec: a reader that knows only the first three (they ignore
// bits 3 to 31) takes its data for a block codec stream, which the block
// decoder refuses (no "ResJ" signature), so the entry is reported damaged,
// never installed wrong. Any other use of bits 3 to 7 is a method this reader
// does not know: such an entry is refused as undecodable. Bits 8 to 31 are
// not interpreted.
constexpr uint32_t kPackFlagCompressed = 1;  // the data are a compressed stream
constexpr uint32_t kPackFlagMarked = 2;      // mode bit 2 of AddStream; not interpreted
constexpr uint32_t kPackFlagBlockCodec = 4;  // with kPackFlagCompressed: block codec, else LZ
constexpr uint32_t kPackFlagZstd = 8;        // with both of the above: one zstd frame
constexpr uint32_t kPackFlagMethodBits = 0xF8;

// How an entry's data are stored, as the reader interprets flags.
enum class PackMethod {
    Store,    // the bytes as they are
    Block,    // one block codec stream
    Lz,       // one LZ codec stream
    Zstd,     // one zstd frame (codecs/zstd_codec.h)
    Unknown,  // a method bit this reader does not know: never decoded
};

// What reading an entry whole found.
enum class PackReadStatus {
    Ok,              // decoded whole; the check value matches the record's crc
    NoEntry,         // the pack holds no entry of that name, or has no index
    DataOutside,     // storedSize bytes from the entry's offset reach beyond the end of data
    Undecodable,     // the codec rejects the stream, it decodes to more or fewer bytes
                     // than `size`, the method is Unknown, or the file cannot be read
    StoredSizeWrong, // the data end before storedSize bytes, or run on past them
    CheckMismatch,   // decoded whole, but the check value differs from the record's crc
    OutputFailed,    // the sink refused bytes
    NoMemory,        // the codec's working storage cannot be had
};

// An entry that Compact refused to rewrite, and why.
struct PackEntryDamage {
    std::string name;
    PackReadStatus status = PackReadStatus::Ok;
};

// One entry record. Records handed out by TPackFile belong to its index.
struct TPackEntry {
    std::string name;         // UTF-8, 0 to 32767 bytes, compared byte for byte
    uint32_t offset = 0;      // position of the data minus the pack base
    uint32_t storedSize = 0;  // bytes the data occupy in the file
    uint32_t size = 0;        // length of the uncompressed data
    uint32_t crc = 0;         // pack check value of the uncompressed data
    uint32_t stamp = 0;       // seconds since 1970-01-01 UTC; readers ignore it
    uint32_t flags = 0;       // kPackFlag... bits; bits 8 to 31 are not interpreted

    // Without bits 3 to 7: Store when kPackFlagCompressed is clear, else Block
    // or Lz by kPackFlagBlockCodec. Zstd for kPackFlagZstd with both of those;
    // Unknown for any other use of bits 3 to 7.
    PackMethod Method() const;
};

// Fills a block of known size: the whole-entry form of extraction. Refuses
// bytes beyond the block.
class PackBlockSink final : public ByteSink {
public:
    PackBlockSink(uint8_t* block, uint64_t size) : block_(block), room_(size) {}
    bool Write(const void* data, size_t size) override;
    // The rest of the block, for a decoder that writes straight into it.
    uint8_t* Space(size_t& room) override;
    bool Commit(size_t count) override;

private:
    uint8_t* block_;
    uint64_t room_;
};

class PackPreparedEntry;
struct PackCodedData;

// Name order of the index: bytes compare as unsigned values, and on a common
// prefix the shorter name comes first ("A" < "B" < "a" < "ab" < "\x80").
struct PackNameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

// The index: records by name, in name order; each name occurs once.
using PackIndex = std::map<std::string, TPackEntry, PackNameLess>;

class TPackFile : public TObject {
public:
    // Opens path (UTF-8) as Open(path, writable) does; see there.
    TPackFile(const char* path, bool writable);

    // Opens a pack held in file, read-only (in-memory packs, fuzzing). The
    // object owns file. A null file gives an object with no pack.
    explicit TPackFile(std::unique_ptr<SeekableFile> file);

    // Flush (a read-only object writes nothing), then closes the file.
    ~TPackFile() override;

    // Opens the file and reads its trailer and index. Any file already open in
    // this object is flushed and closed first; the progress callback is reset.
    // - No file at path, or a null path: read-only, the object has no pack (IsFailed);
    //   writable, the file is created and an empty pack begun at position 0.
    // - No readable trailer (file shorter than 16 bytes, not ending in "sRBV",
    //   format version above 5): read-only, no pack (IsFailed); writable, an
    //   empty pack is begun behind the file's contents (pack base = its length),
    //   whose bytes are never changed afterwards.
    // - A damaged pack (trailer pointing outside the file, index not "ix50",
    //   an index stream the codec rejects or that decodes to another length
    //   than recorded, an index body over 64 MiB, records that overrun the
    //   body, a name holding a zero byte): no index, IsFailed, even when writable, so that nothing is
    //   added to a pack that cannot be read.
    // - Otherwise the index is read (version 5, or the old tables of versions
    //   0 to 4; the names of a pack without kPackFormatNamesUtf8 converted
    //   as said at the top) and IsFailed is false.
    // - A signed file (a certificate table ends it, pack_signature.h): the
    //   trailer is looked for where the pack ends, before the table and its
    //   padding; writable, the object has no pack (IsFailed), since any change
    //   would break the signature: drop the signature first.
    // Two records of the same name: the later one is kept.
    virtual void Open(const char* path, bool writable);

    // Number of records in the index; 0 without an index.
    virtual int GetCount() const;

    // The whole uncompressed data of the named entry (null name = ""), in a
    // new block of size + 1 bytes whose last byte is 0, so text entries can be
    // used as zero-terminated text. On success *sizeOut (when sizeOut is not
    // null) receives the size, without the zero byte; on failure it is unchanged.
    // The caller owns the block and frees it with delete[]; hold it in a
    // std::unique_ptr<uint8_t[]> at once.
    // Returns null with IsFailed set when the entry cannot be read whole and
    // exactly, as ExtractTo tells (any status but Ok and CheckMismatch).
    // Never writes outside the block. With verify, a check value that differs
    // from the record's crc sets IsFailed, and the data are still returned.
    // When the pack holds no entry of that name (or there is no index), the
    // name is taken as the path of a file on disk, whose contents are returned
    // the same way (null when it cannot be read; IsFailed is not changed).
    // Use Find first when only pack entries are wanted.
    virtual uint8_t* Extract(const char* name, bool verify, uint32_t* sizeOut);

    // Decodes the pack entry of that name (any bytes; never a disk file) and
    // hands its bytes to output in order, in pieces of at most 256 KiB: an
    // entry of any size is read with a few megabytes of memory. The entry is
    // whole and exact only when the decoder consumes exactly storedSize bytes
    // (for stored data, storedSize must equal size), the data decode to
    // exactly `size` bytes and their check value matches crc. Bytes reach
    // output before that is known: on any status but Ok they must be
    // discarded. IsFailed is set unless the status is Ok.
    virtual PackReadStatus ExtractTo(const std::string& name, ByteSink& output);

    // Decodes the data of entry (a record of this object's index, or a copy
    // of one) into output as ExtractTo does, with progress as the codec's
    // callback (null: none), and changes nothing in the object (IsFailed
    // included). Several threads may call it at once, each with its own
    // output, while no other operation runs on the object: each reads the
    // stored data under the object's lock, up to 256 KiB at a time, and
    // decodes them outside it, with the decoder's working storage of its own.
    PackReadStatus ReadEntryShared(const TPackEntry& entry, ByteSink& output,
                                   CodecCallback progress) const;

    // Adds the whole of input (read from its start to its end) as the entry
    // name (null name = "") with the storage mode
    // (kPackMode...), writing its data at the end of data. A record of the same
    // name is replaced; its old data stay in the file until Compact. stamp is
    // SOURCE_DATE_EPOCH when that variable holds a number, else the current
    // time. The new index reaches the file at Flush (or destruction).
    // Returns the record as held by the index, or null with IsFailed set and
    // no record added: no index, object not writable, name longer than
    // kMaxPackNameLength bytes, input that cannot be read, entry or pack beyond
    // 4 GiB, or a write to the file failed. Once data were written, a failed
    // AddStream leaves IsModified set, so that Flush restores index and trailer.
    // A codec that cannot get its working storage fails the call too.
    virtual TPackEntry* AddStream(SeekableFile& input, const char* name, uint32_t mode);

    // Appends an entry coded ahead (PackPreparedEntry::Prepare succeeded) as
    // the entry name: the file and the record get exactly the bytes and
    // values that AddStream of the same input and mode would give at this
    // point (the stamp is taken now). Fails, and is left, as AddStream does;
    // also when prepared was not prepared or its bytes cannot be read back.
    TPackEntry* AddPrepared(PackPreparedEntry& prepared, const char* name);

    // Drops the record of that name (null name = "") from the index in memory;
    // nothing happens when there is none. The file changes only when the index
    // is next written (Flush after an AddStream, or Compact); the data stay
    // until Compact.
    virtual void Remove(const char* name);

    // The record with the smallest name, or null when the index is empty or
    // missing; the enumeration continues with GetNext.
    virtual TPackEntry* GetFirst();

    // The next record in name order, or null at the end. Adding, replacing or
    // removing records invalidates a running enumeration.
    virtual TPackEntry* GetNext();

    // The record of that name (null name = ""), or null when absent or without
    // an index. It stays valid until that entry is replaced or removed, Open
    // is called again, or the object is destroyed.
    virtual TPackEntry* Find(const char* name);

    // When records were added since the index was last written: writes the
    // index and trailer at the end of data, flushes, and shortens the file when
    // it went on beyond the new trailer. A failed write sets IsFailed.
    virtual void Flush();

    // Rewrites all entry data back to back from the pack base in ascending name
    // order, writes index and trailer and shortens the file: the space of
    // replaced and removed entries is gone. Copies through a temporary file in
    // 256 KiB pieces. Every entry is first read whole as ExtractTo does:
    // a damaged one is named by GetCompactDamage and the file is not changed.
    // The temporary file has no name while it is used (POSIX) or is deleted
    // by the system when the process ends however it ends (Windows), and only
    // its owner may read it. On failure (not writable, no index, no temporary
    // file, a damaged entry, a write error) IsFailed is set; a failure found
    // before the pack is overwritten leaves the file unchanged.
    virtual void Compact();

    // The function handed to the codecs while an entry is decoded by Extract or
    // encoded by AddStream; null stands for a function that does nothing.
    virtual void SetProgressCallback(CodecCallback callback);

    // Keeps a copy of length bytes at data when data is not null and length
    // is greater than 0; otherwise nothing happens. Never written to the file.
    virtual void SetUserData(const void* data, int32_t length);

    // --- State, for tools and tests (not virtual) ---

    // The last Open, AddStream, Extract, Flush or Compact did not complete.
    bool IsFailed() const { return failed_; }
    // The index in the file is out of date (entries were added): Flush writes it.
    bool IsModified() const { return modified_; }
    // An index is present (possibly empty): the object holds a pack.
    bool HasIndex() const { return index_ != nullptr; }
    // Opened with writable = true.
    bool IsWritable() const { return writable_; }
    // Position where the pack begins (the stub's length).
    uint64_t GetPackBase() const { return packBase_; }
    // Position where the next entry's data, and the index, are written.
    uint64_t GetEndOfData() const { return endOfData_; }
    // A certificate table ends the file: it is signed (pack_signature.h).
    bool IsSigned() const { return certificateTable_.has_value(); }
    // The signed file's certificate table; only when IsSigned.
    const PeCertificateTable& GetCertificateTable() const { return *certificateTable_; }
    // Where the pack ends (its trailer's end, or where a new pack would begin):
    // the file length, or in a signed file where the table's padding begins.
    uint64_t GetPackEnd() const { return packEnd_; }
    // Format version of the pack as read (5 for a new pack).
    uint32_t GetFormatVersion() const { return formatVersion_; }
    // The block kept by SetUserData (empty when none).
    const std::vector<uint8_t>& GetUserData() const { return userData_; }
    // The damaged entry that stopped the last Compact (status Ok when none did).
    const PackEntryDamage& GetCompactDamage() const { return compactDamage_; }

private:
    void Reset();
    bool OpenFile(const char* path, bool writable);
    void ReadPack(bool writable);
    void BeginNewPack(uint64_t fileLength);
    bool ReadIndex(uint64_t indexPosition, uint64_t indexEnd, uint32_t formatWord,
                   PackIndex& index);
    bool ReadIndexV5(uint64_t indexPosition, uint64_t indexEnd, PackIndex& index);
    bool ReadOldTable(uint64_t indexPosition, uint64_t indexEnd, uint32_t formatWord,
                      PackIndex& index);
    bool EntryDataInFile(const TPackEntry& entry) const;
    PackReadStatus DecodeEntry(const TPackEntry& entry, ByteSink& output);
    bool WriteEntryData(SeekableFile& input, uint32_t mode, TPackEntry& entry);
    bool RecordData(uint64_t offset, const PackCodedData& coded, TPackEntry& entry) const;
    TPackEntry* PutRecord(TPackEntry entry, uint32_t mode);
    bool WriteIndexAndTrailer(uint64_t& fileEnd);
    bool CutFileAt(uint64_t fileEnd);

    std::unique_ptr<SeekableFile> file_;  // the pack's file, on disk or in memory
    std::string path_;
    bool writable_ = false;
    bool failed_ = true;
    bool modified_ = false;
    uint64_t packBase_ = 0;
    uint64_t endOfData_ = 0;
    uint64_t packEnd_ = 0;
    std::optional<PeCertificateTable> certificateTable_;
    uint32_t formatVersion_ = kPackFormatVersion;
    std::unique_ptr<PackIndex> index_;
    PackIndex::iterator enumeration_;
    CodecCallback progress_;
    std::vector<uint8_t> userData_;
    PackEntryDamage compactDamage_;
    // Held while a piece of an entry's data is read (ReadEntryShared).
    mutable std::mutex fileLock_;
    // The block decoders of the threads that read entries.
    mutable BlockDecoderPool blockDecoders_;
};
