// Fuzz target: a zstd entry whose stored bytes are arbitrary, read through
// the pack's entry reader. The first two bytes give the record's size; the
// rest are the entry's data. The bytes are first decoded by the codec alone;
// the pack then holds them under a record that agrees with that result (its
// size and check value), so ExtractTo must accept exactly what the codec
// accepted and hand out the same bytes, never more than the record's size,
// and Extract must agree with it. Decoding straight into a block must end
// as decoding through pieces does.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "codecs/zstd_codec.h"
#include "foundation/byte_file.h"
#include "pack/pack_check.h"
#include "pack/pack_file.h"

namespace {

std::string le32(uint32_t value) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(value >> (8 * i));
    return s;
}

// A pack of one zstd entry "e": the data, an old-style raw table of one
// 64-byte record (format version 4, bit 9), the trailer. The raw table spares
// every run a block codec stream for the index.
std::string packOf(const std::string& stored, uint32_t size, uint32_t crc) {
    const uint32_t flags = kPackFlagCompressed | kPackFlagBlockCodec | kPackFlagZstd;
    std::string table = le32(1) + std::string("e") + std::string(39, '\0');
    table += le32(0) + le32(static_cast<uint32_t>(stored.size())) + le32(size) + le32(crc) +
             le32(0) + le32(flags);
    const int32_t fromEnd = -static_cast<int32_t>(table.size() + 16);
    return stored + table + "sRBV" + le32(static_cast<uint32_t>(stored.size())) +
           le32(static_cast<uint32_t>(fromEnd)) + le32(0x204);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint32_t recordSize = data[0] | (uint32_t{data[1]} << 8);
    const std::string stored(reinterpret_cast<const char*>(data) + 2, size - 2);

    MemorySource alone(stored);
    StringSink direct;
    const CodecResult result = zstdUncompressTo(alone, direct, recordSize, nullptr);
    if (direct.bytes.size() != result.size || result.size > recordSize) __builtin_trap();
    const bool whole = result.status == CodecStatus::Ok && result.size == recordSize;

    // Decoded straight into a block of the record's size, as the pack's
    // whole-entry reads do: the same status, the same bytes when whole.
    std::unique_ptr<uint8_t[]> block(new uint8_t[recordSize + 1]);
    MemorySource again(stored);
    PackBlockSink placed(block.get(), recordSize);
    const CodecResult inPlace = zstdUncompressTo(again, placed, recordSize, nullptr);
    if (inPlace.status != result.status || inPlace.size > recordSize) __builtin_trap();
    if (whole && std::memcmp(block.get(), direct.bytes.data(), recordSize) != 0) __builtin_trap();

    TPackFile pack(std::make_unique<MemoryFile>(
        packOf(stored, recordSize, packCheckValue(direct.bytes.data(), direct.bytes.size()))));
    if (!pack.Find("e")) __builtin_trap();
    StringSink read;
    const PackReadStatus status = pack.ExtractTo("e", read);
    if (read.bytes.size() > recordSize) __builtin_trap();
    if ((status == PackReadStatus::Ok) != whole) __builtin_trap();
    if (whole && read.bytes != direct.bytes) __builtin_trap();

    uint32_t extracted = 0;
    std::unique_ptr<uint8_t[]> copy(pack.Extract("e", true, &extracted));
    if (whole != (copy && !pack.IsFailed())) __builtin_trap();
    if (copy && (extracted != recordSize || copy[extracted] != 0)) __builtin_trap();
    return 0;
}
