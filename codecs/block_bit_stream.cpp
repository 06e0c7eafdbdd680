#include "codecs/block_bit_stream.h"

#include <istream>
#include <ostream>

#include "foundation/runtime_error.h"

BitStreamState bitStream;

void resetBitStream() {
    bitStream = BitStreamState{};
}

void openBitReader(std::istream& input) {
    if (bitStream.open) fatalRunTimeError("compress", __LINE__, "openBitReader");
    bitStream = BitStreamState{};
    bitStream.open = true;
    bitStream.buffer = input.rdbuf();
}

void openBitWriter(std::ostream& output) {
    if (bitStream.open) fatalRunTimeError("compress", __LINE__, "openBitWriter");
    bitStream = BitStreamState{};
    bitStream.open = true;
    bitStream.writing = true;
    bitStream.buffer = output.rdbuf();
}

namespace {

void putOutputByte(unsigned byte) {
    std::streambuf* buffer = bitStream.buffer;
    using Traits = std::streambuf::traits_type;
    if (!buffer || Traits::eq_int_type(buffer->sputc(static_cast<char>(byte)), Traits::eof())) {
        fatalRunTimeError("compress", __LINE__, "EOF!");
    }
}

}  // namespace

void closeBitStream() {
    if (!bitStream.open) fatalRunTimeError("compress", __LINE__, "closeBitStream");
    if (bitStream.writing) {
        // The last byte is padded with 0 bits.
        const int padding = (8 - bitStream.bitCount % 8) % 8;
        const uint64_t bits = bitStream.heldBits << padding;
        for (int shift = bitStream.bitCount + padding - 8; shift >= 0; shift -= 8) {
            putOutputByte(unsigned(bits >> shift) & 0xFFu);
        }
        if (!bitStream.buffer || bitStream.buffer->pubsync() == -1) {
            fatalRunTimeError("compress", __LINE__, "EOF!");
        }
    }
    bitStream = BitStreamState{};
}

unsigned fetchBitStreamByte() {
    using Traits = std::streambuf::traits_type;
    if (!bitStream.inputEnded && bitStream.buffer) {
        // A stream buffer that throws counts as one that has ended: the
        // decoder never reports, it tells its caller the stream is cut short.
        try {
            Traits::int_type c = bitStream.buffer->sbumpc();
            if (!Traits::eq_int_type(c, Traits::eof())) return static_cast<unsigned char>(c);
        } catch (...) {
        }
    }
    bitStream.inputEnded = true;
    return 0xFF;
}

unsigned readBitByte() {
    unsigned byte = 0;
    for (int i = 0; i < 8; ++i)
        byte = (byte << 1) | readBit();
    return byte;
}

void flushBitStreamWord() {
    bitStream.bitCount -= 32;
    const uint32_t word = uint32_t(bitStream.heldBits >> bitStream.bitCount);
    const char bytes[4] = {char(word >> 24), char(word >> 16), char(word >> 8), char(word)};
    if (!bitStream.buffer || bitStream.buffer->sputn(bytes, 4) != 4) {
        fatalRunTimeError("compress", __LINE__, "EOF!");
    }
}
