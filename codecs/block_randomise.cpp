#include "codecs/block_randomise.h"

constexpr uint32_t RandomisationPositions::kCycle[];

void randomiseBlock(uint32_t* keys, uint32_t n) {
    if (n < 2) return;
    for (RandomisationPositions p; p.current() < n - 1; p.advance()) {
        keys[p.current()] += 1u << 24;  // the byte lives in the top 8 bits: 255 wraps to 0
    }
}

void derandomiseBlock(uint8_t* block, uint32_t n) {
    if (n < 2) return;
    for (RandomisationPositions p; p.current() < n - 1; p.advance())
        --block[p.current()];
}
