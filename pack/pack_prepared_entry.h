// An entry's data coded off the thread that writes the pack, to be appended
// later by TPackFile::AddPrepared: several entries can be compressed at once,
// each on a thread of its own, and still be written one after the other in
// the order (and with the bytes) that AddStream would give them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/codec_callback.h"
#include "foundation/byte_file.h"
#include "pack/pack_spill_store.h"

class BlockCompressor;

// Sizes and check value of an entry's data as coded.
struct PackCodedData {
    uint64_t size = 0;        // bytes read from the input
    uint64_t storedSize = 0;  // bytes written
    uint32_t crc = 0;         // pack check value of the bytes read
};

// Codes the whole of input, from its start to its end, by the AddStream mode
// (kPackMode...) onto output: an entry's stored data, exactly as AddStream
// writes them. compressor, when given, does the block codec's work (one per
// thread; otherwise one is made for the call); progress goes to the codec.
// False when the input cannot be read to its end, a codec fails (out of
// memory included) or output refuses a byte.
bool codePackEntry(SeekableFile& input, uint32_t mode, ByteSink& output, CodecCallback progress,
                   BlockCompressor* compressor, PackCodedData& coded);

// Coded bytes held in memory up to kPreparedMemoryLimit, the rest in a
// private temporary file.
constexpr size_t kPreparedMemoryLimit = 4u << 20;

class PackPreparedEntry {
public:
    explicit PackPreparedEntry(size_t memoryLimit = kPreparedMemoryLimit) : stored_(memoryLimit) {}

    // Codes the whole of input (read from its start) by mode, as AddStream
    // would. Call once. False when the input cannot be
    // read, a codec fails or the coded bytes cannot be kept.
    bool Prepare(SeekableFile& input, uint32_t mode, CodecCallback progress = nullptr,
                 BlockCompressor* compressor = nullptr);

    bool IsPrepared() const { return prepared_; }
    uint32_t Mode() const { return mode_; }
    const PackCodedData& Coded() const { return coded_; }
    // The coded bytes (the entry's stored data).
    PackSpillStore& Stored() { return stored_; }

private:
    PackSpillStore stored_;
    PackCodedData coded_;
    uint32_t mode_ = 0;
    bool prepared_ = false;
};
