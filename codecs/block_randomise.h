// Randomisation of blocks: the compressor adds 1 (255 becoming 0) to the bytes
// at fixed positions of every block and the decoder subtracts it again. It
// breaks up long exact repeats before the block is sorted.
//
// The positions are 8000, then steps of 7915 + 17 * a, with a running through
// the cycle 4, 5, 9, 2, 6, 7, 3, 1; only positions below the block's last
// index (n - 1) are altered, so blocks of up to 8001 bytes are left alone.
#pragma once

#include <cstdint>

class RandomisationPositions {
public:
    uint32_t current() const { return position_; }
    void advance() {
        position_ += 7915 + 17 * kCycle[cycleIndex_];
        cycleIndex_ = (cycleIndex_ + 1) % kCycleLength;
    }

private:
    static constexpr int kCycleLength = 8;
    static constexpr uint32_t kCycle[kCycleLength] = {4, 5, 9, 2, 6, 7, 3, 1};
    uint32_t position_ = 8000;
    int cycleIndex_ = 0;
};

// Compressing direction, on a block held in the top bytes of keys[0..n).
void randomiseBlock(uint32_t* keys, uint32_t n);

// Decoding direction: subtracts 1 (0 becoming 255) at the same positions.
void derandomiseBlock(uint8_t* block, uint32_t n);
