#include "codecs/block_arith_coder.h"

#include <cassert>

#include "codecs/block_bit_stream.h"

// The encoder keeps the exact lower end of the interval: bits leave the top
// of its 26-bit window as the range is doubled, and an addition that runs out
// of the window carries into the bits already shifted out. Its output is the
// binary expansion of the final lower end, which is exactly what a coder that
// defers undecided bits ("bits outstanding") writes; shifting whole groups of
// bits out at once spares a branch per bit.

namespace {

// A completed byte: it waits as the carry byte until a byte other than 0xFF
// follows it, after which no carry can reach it.
void pushCodeByte(ArithmeticCoderState& c, uint8_t byte) {
    if (!c.hasCarryByte) {
        c.carryByte = byte;
        c.hasCarryByte = true;
        return;
    }
    if (byte == 0xFF) {
        ++c.carryFFs;
        return;
    }
    writeBitByte(c.bits, c.carryByte);
    for (; c.carryFFs > 0; --c.carryFFs)
        writeBitByte(c.bits, 0xFF);
    c.carryByte = byte;
}

void shiftOutBits(ArithmeticCoderState& c, uint32_t bits, int count) {
    c.partialBits = (c.partialBits << count) | bits;
    c.partialCount += count;
    shiftOutCodeBytes(c);
}

}  // namespace

void shiftOutCodeBytes(ArithmeticCoderState& c) {
    while (c.partialCount >= 8) {
        c.partialCount -= 8;
        pushCodeByte(c, uint8_t(c.partialBits >> c.partialCount));
    }
    c.partialBits &= (uint64_t(1) << c.partialCount) - 1;
}

void carryOutOfPartialBits(ArithmeticCoderState& c) {
    c.partialBits = 0;  // the partial bits were all 1
    // The interval's upper end bounds every carry: at most one reaches the
    // carry byte, which is never 0xFF once something follows it.
    assert(c.hasCarryByte && c.carryByte != 0xFF);
    ++c.carryByte;
    if (c.carryFFs > 0) {
        writeBitByte(c.bits, c.carryByte);
        for (; c.carryFFs > 1; --c.carryFFs)
            writeBitByte(c.bits, 0x00);
        c.carryFFs = 0;
        c.carryByte = 0x00;
    }
}

void startEncoding(ArithmeticCoderState& c) {
    const BitStreamState bits = c.bits;
    c = ArithmeticCoderState{};
    c.bits = bits;
    c.range = kCodeHalf;
}

bool finishEncoding(ArithmeticCoderState& c) {
    shiftOutBits(c, c.low, kCodeBits);
    if (c.hasCarryByte) writeBitByte(c.bits, c.carryByte);
    for (; c.carryFFs > 0; --c.carryFFs)
        writeBitByte(c.bits, 0xFF);
    if (c.partialCount > 0) writeBitByte(c.bits, uint32_t(c.partialBits << (8 - c.partialCount)));
    return closeBitStream(c.bits);
}

void startDecoding(ArithmeticCoderState& c) {
    const BitStreamState bits = c.bits;
    c = ArithmeticCoderState{};
    c.bits = bits;
    c.range = kCodeHalf;
    c.value = readBits(c.bits, kCodeBits);
}
