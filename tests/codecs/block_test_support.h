// Helpers shared by the block codec tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "codecs/block_codec.h"

namespace blocktest {

using Bytes = std::string;

Bytes readGolden(const std::string& name);

// compressStream from and to memory.
Bytes compress(const Bytes& input, CodecCallback progress = nullptr);

struct Decoded {
    CodecStatus status;
    Bytes data;         // the bytes reported as written
    bool guardIntact;   // nothing written past them (nor past the capacity)
};

// decodeBlockStream into an area of `capacity` bytes followed by a guard area.
Decoded decode(const Bytes& stream, size_t capacity, CodecCallback blockCallback = nullptr);

// Data generators (deterministic).
Bytes randomBytes(size_t size, uint32_t seed);
Bytes periodic(const Bytes& period, size_t size);
// Bytes with no four equal in a row, so the run-length pre-coding keeps them
// as they are: a block holds size + 1 bytes with the end marker.
Bytes runFree(size_t size, uint32_t seed);
// English-like words.
Bytes textLike(size_t size, uint32_t seed);

// A fatal run-time report, thrown by the hook that ScopedThrowingHook installs.
struct RunTimeErrorReport : std::runtime_error {
    explicit RunTimeErrorReport(const std::string& text) : std::runtime_error(text) {}
};

// While alive, fatal run-time errors throw RunTimeErrorReport instead of
// ending the process. Reports still append to "error.lst", so it also moves
// the current folder to a scratch folder for its lifetime (removed after).
class ScopedThrowingHook {
public:
    ScopedThrowingHook();
    ~ScopedThrowingHook();
    ScopedThrowingHook(const ScopedThrowingHook&) = delete;
    ScopedThrowingHook& operator=(const ScopedThrowingHook&) = delete;

private:
    std::string previousFolder_;
    std::filesystem::path scratchFolder_;
};

// A block symbol stream written with the codec's own encoder, for streams the
// compressor would never write: each block is its header values and its
// symbols (1..255 move-to-front values, kRun1, kRun2; kEndOfBlock is added).
struct CraftedBlock {
    uint32_t origin;
    bool last;
    std::vector<unsigned> symbols;
};
Bytes craftStream(const std::vector<CraftedBlock>& blocks, const char* signature = "ResJ");

// The last column, origin and move-to-front symbols of a block by the book
// (rotations sorted naively): an independent reference for crafting streams.
CraftedBlock referenceBlock(const Bytes& block, bool last);

}  // namespace blocktest
