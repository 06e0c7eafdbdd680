// The block codec's bit stream: bits packed into bytes most significant bit
// first, over a std::streambuf.
//
// There is one bit stream in the whole process (the codec's state is
// process-wide, so one stream is coded at a time). Opening a reader or a
// writer while it is open, or closing it while none is open, is a fatal
// run-time error ("openBitReader", "openBitWriter", "closeBitStream"); the
// codec's entry points call resetBitStream() first, so an earlier call that
// ended in an exception leaves nothing behind.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <streambuf>

struct BitStreamState {
    bool open = false;
    bool writing = false;
    std::streambuf* buffer = nullptr;
    // The low bitCount bits of heldBits: for a reader the bits still to come
    // (whole bytes are fetched only when a bit of them is needed), for a
    // writer the bits not yet written (whole bytes go out in fours).
    uint64_t heldBits = 0;
    int bitCount = 0;
    // Reader: a byte was needed past the end of the input (or the input
    // failed). Such bytes read as eight 1 bits; the decoder checks this flag.
    bool inputEnded = false;
};

extern BitStreamState bitStream;

// Forgets any open bit stream without touching its buffer.
void resetBitStream();

// Starts reading bits from input's current position. The reader takes bytes
// one at a time from input.rdbuf() and never reads ahead of the bit it needs.
void openBitReader(std::istream& input);

// Starts writing bits to output.rdbuf(). A byte that cannot be written is a
// fatal run-time error "EOF!".
void openBitWriter(std::ostream& output);

// Ends the bit stream. A writer pads its last byte with 0 bits, writes it and
// flushes the output ("EOF!" if either fails); a reader only lets go.
void closeBitStream();

// Reads the byte behind the current one (eight 1 bits past the end of input).
unsigned fetchBitStreamByte();

inline unsigned readBit() {
    BitStreamState& s = bitStream;
    if (s.bitCount == 0) {
        s.heldBits = fetchBitStreamByte();
        s.bitCount = 8;
    }
    --s.bitCount;
    return unsigned(s.heldBits >> s.bitCount) & 1u;
}

// Reads count (1..32) bits, the first one read being the most significant.
inline uint32_t readBits(int count) {
    BitStreamState& s = bitStream;
    while (s.bitCount < count) {
        s.heldBits = (s.heldBits << 8) | fetchBitStreamByte();
        s.bitCount += 8;
    }
    s.bitCount -= count;
    return uint32_t(s.heldBits >> s.bitCount) & uint32_t((uint64_t(1) << count) - 1);
}

// Reads 8 bits, most significant first.
unsigned readBitByte();

// Writes the oldest 32 of the held bits out as four bytes.
void flushBitStreamWord();

inline void writeBit(unsigned bit) {
    BitStreamState& s = bitStream;
    s.heldBits = (s.heldBits << 1) | bit;
    if (++s.bitCount >= 32) flushBitStreamWord();
}

// Writes 8 bits, most significant first.
inline void writeBitByte(unsigned byte) {
    BitStreamState& s = bitStream;
    s.heldBits = (s.heldBits << 8) | (byte & 0xFFu);
    s.bitCount += 8;
    if (s.bitCount >= 32) flushBitStreamWord();
}
