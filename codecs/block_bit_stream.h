// The block codec's bit stream: bits packed into bytes most significant bit
// first, over a ByteSource or a ByteSink.
//
// Each coder owns its bit stream (a member of its ArithmeticCoderState), so
// any number of streams can be coded at once. Opening a reader or a writer
// forgets whatever the stream held before.
#pragma once

#include <cstdint>
#include <cstring>

#include "foundation/byte_stream.h"

struct BitStreamState {
    ByteSource* source = nullptr;  // a reader's
    ByteSink* sink = nullptr;      // a writer's
    // The low bitCount bits of heldBits: for a reader the bits taken from the
    // source and not yet read (see readBits for how far ahead it takes them),
    // for a writer the bits not yet written (whole bytes go out in fours).
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

// Starts reading bits from input's current position. Until the reader is
// closed nothing else may take bytes from input.
void openBitReader(BitStreamState& s, ByteSource& input);

// Starts writing bits to output. A byte that cannot be written sets
// outputFailed.
void openBitWriter(BitStreamState& s, ByteSink& output);

// Ends the bit stream. A writer pads its last byte with 0 bits, writes it and
// flushes the sink; returns false if that or any byte before it failed.
// A reader puts the whole bytes it took ahead and did not read back into its
// source, which so stands right after the last byte a bit was read from, and
// returns true. The flags and the count stay.
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

// Takes bytes one at a time until count bits are held.
void fetchBitStreamBytes(BitStreamState& s, int count);

// The 8 bytes at bytes as one number, the first byte the most significant.
inline uint64_t loadBitStreamWord(const uint8_t* bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

// Reads count (1..32) bits, the first one read being the most significant.
//
// When fewer than count bits are held and the source's window holds 8 bytes
// or more, the held bits are topped up with as many whole bytes of it as fit
// in 63 bits (56 to 63 held) in one step, whatever count is: one top-up
// serves several calls, and no loop over the bytes needed is left to branch
// the wrong way. Closer to the window's end, bytes are taken one at a time
// and only while fewer than count bits are held: a byte past the end of the
// input is never asked for unless a bit of it is read.
//
// The whole bytes held and not read are therefore always the last ones taken
// from the current window, so closeBitStream can put them back: only the
// first way takes bytes ahead, from the window it sees, and never refills it;
// a refill happens only on the second way (or in readBit), which ends with
// fewer than 8 bits held, none of a whole byte taken before it.
inline uint32_t readBits(BitStreamState& s, int count) {
    if (s.bitCount < count) {
        size_t available = 0;
        const uint8_t* const next = s.source ? s.source->Peek(available) : nullptr;
        if (available >= 8) {
            // 4 to 7 bytes, as fewer than 32 bits are held.
            const int bytes = (63 - s.bitCount) >> 3;
            s.heldBits =
                (s.heldBits << (bytes * 8)) | (loadBitStreamWord(next) >> (64 - bytes * 8));
            s.bitCount += bytes * 8;
            s.source->Skip(size_t(bytes));
        } else {
            fetchBitStreamBytes(s, count);
        }
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
