#include "codecs/block_bit_stream.h"

#include <istream>
#include <ostream>


void openBitReader(BitStreamState& s, std::istream& input) {
    s = BitStreamState{};
    s.buffer = input.rdbuf();
}

void openBitWriter(BitStreamState& s, std::ostream& output) {
    s = BitStreamState{};
    s.writing = true;
    s.buffer = output.rdbuf();
}

namespace {

// A stream buffer that throws counts as one that refuses the byte.
void putOutputByte(BitStreamState& s, unsigned byte) {
    using Traits = std::streambuf::traits_type;
    if (s.outputFailed) return;
    try {
        if (s.buffer &&
            !Traits::eq_int_type(s.buffer->sputc(static_cast<char>(byte)), Traits::eof())) {
            ++s.bytesWritten;
            return;
        }
    } catch (...) {
    }
    s.outputFailed = true;
}

}  // namespace

bool closeBitStream(BitStreamState& s) {
    bool written = true;
    if (s.writing) {
        // The last byte is padded with 0 bits.
        const int padding = (8 - s.bitCount % 8) % 8;
        const uint64_t bits = s.heldBits << padding;
        for (int shift = s.bitCount + padding - 8; shift >= 0; shift -= 8) {
            putOutputByte(s, unsigned(bits >> shift) & 0xFFu);
        }
        if (!s.outputFailed) {
            try {
                if (!s.buffer || s.buffer->pubsync() == -1) s.outputFailed = true;
            } catch (...) {
                s.outputFailed = true;
            }
        }
        written = !s.outputFailed;
    }
    s.buffer = nullptr;
    s.heldBits = 0;
    s.bitCount = 0;
    return written;
}

unsigned fetchBitStreamByte(BitStreamState& s) {
    using Traits = std::streambuf::traits_type;
    if (!s.inputEnded && s.buffer) {
        // A stream buffer that throws ends the input; the decoder tells its
        // caller the input failed.
        try {
            Traits::int_type c = s.buffer->sbumpc();
            if (!Traits::eq_int_type(c, Traits::eof())) return static_cast<unsigned char>(c);
        } catch (...) {
            s.inputFailed = true;
        }
    }
    s.inputEnded = true;
    return 0xFF;
}

unsigned readBitByte(BitStreamState& s) {
    unsigned byte = 0;
    for (int i = 0; i < 8; ++i)
        byte = (byte << 1) | readBit(s);
    return byte;
}

void flushBitStreamWord(BitStreamState& s) {
    s.bitCount -= 32;
    const uint32_t word = uint32_t(s.heldBits >> s.bitCount);
    const char bytes[4] = {char(word >> 24), char(word >> 16), char(word >> 8), char(word)};
    if (s.outputFailed) return;
    try {
        if (s.buffer && s.buffer->sputn(bytes, 4) == 4) {
            s.bytesWritten += 4;
            return;
        }
    } catch (...) {
    }
    s.outputFailed = true;
}
