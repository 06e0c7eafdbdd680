// The block codec's bit stream: bits packed into bytes most significant bit
// first, over a ByteSource or a ByteSink.
//
// Each coder owns its bit stream (a member of its ArithmeticCoderState), so
// any number of streams can be coded at once. Opening a reader or a writer
// forgets whatever the stream held before.
#pragma once

#include <cstdint>

#include "foundation/byte_stream.h"

struct BitStreamState {
    ByteSource* source = nullptr;  // a reader's
    ByteSink* sink = nullptr;      // a writer's
    // The low bitCount bits of heldBits: for a reader the bits still to come
    // (whole bytes are fetched only when a bit of them is needed), for a
    // writer the bits not yet written (whole bytes go out in fours).
    uint64_t heldBits = 0;
    int bitCount = 0;
    // Reader: a byte was needed past the end of the input (or the input
    // failed). Such bytes read as eight 1 bits; the decoder checks this flag.
    bool inputEnded = false;
    // Reader: the source failed (inputEnded is set too).
    bool inputFailed = false;
    // Writer: a byte or the flush was refused. Nothing more is written.
    bool outputFailed = false;
    // Writer: bytes the sink took.
    uint64_t bytesWritten = 0;
};

// Starts reading bits from input's current position. The reader takes bytes
// one at a time and never reads ahead of the bit it needs.
void openBitReader(BitStreamState& s, ByteSource& input);

// Starts writing bits to output. A byte that cannot be written sets
// outputFailed.
void openBitWriter(BitStreamState& s, ByteSink& output);

// Ends the bit stream. A writer pads its last byte with 0 bits, writes it and
// flushes the sink; returns false if that or any byte before it failed.
// A reader only lets go (and returns true). The flags and the count stay.
bool closeBitStream(BitStreamState& s);

// Reads the byte behind the current one (eight 1 bits past the end of input).
unsigned fetchBitStreamByte(BitStreamState& s);

inline unsigned readBit(BitStreamState& s) {
    if (s.bitCount == 0) {
        s.heldBits = fetchBitStreamByte(s);
        s.bitCount = 8;
    }
    --s.bitCount;
    return unsigned(s.heldBits >> s.bitCount) & 1u;
}

// Reads count (1..32) bits, the first one read being the most significant.
inline uint32_t readBits(BitStreamState& s, int count) {
    while (s.bitCount < count) {
        s.heldBits = (s.heldBits << 8) | fetchBitStreamByte(s);
        s.bitCount += 8;
    }
    s.bitCount -= count;
    return uint32_t(s.heldBits >> s.bitCount) & uint32_t((uint64_t(1) << count) - 1);
}

// Reads 8 bits, most significant first.
unsigned readBitByte(BitStreamState& s);

// Writes the oldest 32 of the held bits out as four bytes.
void flushBitStreamWord(BitStreamState& s);

inline void writeBit(BitStreamState& s, unsigned bit) {
    s.heldBits = (s.heldBits << 1) | bit;
    if (++s.bitCount >= 32) flushBitStreamWord(s);
}

// Writes 8 bits, most significant first.
inline void writeBitByte(BitStreamState& s, unsigned byte) {
    s.heldBits = (s.heldBits << 8) | (byte & 0xFFu);
    s.bitCount += 8;
    if (s.bitCount >= 32) flushBitStreamWord(s);
}
