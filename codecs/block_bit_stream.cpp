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
        if (bitStream.bitCount > 0) {
            putOutputByte((bitStream.heldByte << (8 - bitStream.bitCount)) & 0xFFu);
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

void flushHeldBitStreamByte() {
    putOutputByte(bitStream.heldByte & 0xFFu);
    bitStream.heldByte = 0;
    bitStream.bitCount = 0;
}

void writeBitByte(unsigned byte) {
    for (int i = 7; i >= 0; --i)
        writeBit((byte >> i) & 1u);
}
