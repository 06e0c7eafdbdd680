// Bytes kept for a while off the pack: an entry coded or decoded ahead of its
// turn. The first bytes stay in memory, up to a limit; the rest go to a
// private temporary file (pack_temp_file.h), so that many entries in flight
// take a bounded amount of memory whatever their sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/byte_stream.h"

class PackTempFile;

// A sink for the codecs. A write that fails (no memory, no temporary file, a
// full disk) is refused and remembered in Failed.
class PackSpillStore final : public ByteSink {
public:
    // Keeps up to memoryLimit bytes in memory.
    explicit PackSpillStore(size_t memoryLimit);
    ~PackSpillStore() override;
    PackSpillStore(const PackSpillStore&) = delete;
    PackSpillStore& operator=(const PackSpillStore&) = delete;

    // Appends size bytes; false (and Failed) when they cannot all be kept.
    bool Write(const void* data, size_t size) override;

    // Bytes appended.
    uint64_t Size() const { return size_; }
    // A write was refused; the bytes kept are incomplete.
    bool Failed() const { return failed_; }
    // Bytes that went to the temporary file.
    uint64_t Spilled() const { return size_ - memory_.size(); }

    // Hands every byte kept, in order, to output in pieces; false when the
    // temporary file cannot be read back or output refuses a piece.
    bool CopyTo(ByteSink& output);

private:
    const size_t memoryLimit_;
    std::vector<uint8_t> memory_;
    std::unique_ptr<PackTempFile> spill_;
    uint64_t size_ = 0;
    bool failed_ = false;
};
