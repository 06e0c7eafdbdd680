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
    // Reader: the current byte and how many of its bits are still to come.
    // Writer: the partly filled byte and how many bits it holds (1..8); a byte
    // is written only when the first bit of its successor arrives.
    unsigned heldByte = 0;
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
        s.heldByte = fetchBitStreamByte();
        s.bitCount = 8;
    }
    --s.bitCount;
    return (s.heldByte >> s.bitCount) & 1u;
}

// Reads 8 bits, most significant first.
unsigned readBitByte();

// Writes a full byte to the output; used when the held byte is complete.
void flushHeldBitStreamByte();

inline void writeBit(unsigned bit) {
    BitStreamState& s = bitStream;
    if (s.bitCount == 8) flushHeldBitStreamByte();
    s.heldByte = (s.heldByte << 1) | bit;
    ++s.bitCount;
}

// Writes 8 bits, most significant first.
void writeBitByte(unsigned byte);
