#include "codecs/block_bit_stream.h"

void openBitReader(BitStreamState& s, ByteSource& input) {
    s = BitStreamState{};
    s.source = &input;
}

void openBitWriter(BitStreamState& s, ByteSink& output) {
    s = BitStreamState{};
    s.sink = &output;
}

namespace {

void putOutputBytes(BitStreamState& s, const uint8_t* bytes, size_t count) {
    if (s.outputFailed) return;
    if (s.sink && s.sink->Write(bytes, count)) {
        s.bytesWritten += count;
        return;
    }
    s.outputFailed = true;
}

}  // namespace

bool closeBitStream(BitStreamState& s) {
    bool written = true;
    if (s.sink) {
        // The last byte is padded with 0 bits.
        const int padding = (8 - s.bitCount % 8) % 8;
        const uint64_t bits = s.heldBits << padding;
        for (int shift = s.bitCount + padding - 8; shift >= 0; shift -= 8) {
            const uint8_t byte = uint8_t(bits >> shift);
            putOutputBytes(s, &byte, 1);
        }
        if (!s.outputFailed && !s.sink->Flush()) s.outputFailed = true;
        written = !s.outputFailed;
    }
    // Whole bytes held are real ones only while the input has not ended
    // (after that readBits took none ahead).
    if (s.source && !s.inputEnded) s.source->Unread(size_t(s.bitCount / 8));
    s.source = nullptr;
    s.sink = nullptr;
    s.heldBits = 0;
    s.bitCount = 0;
    return written;
}

unsigned fetchBitStreamByte(BitStreamState& s) {
    if (!s.inputEnded && s.source) {
        const int byte = s.source->ReadByte();
        if (byte >= 0) return unsigned(byte);
        s.inputFailed = s.source->Failed();
    }
    s.inputEnded = true;
    return 0xFF;
}

void fetchBitStreamBytes(BitStreamState& s, int count) {
    while (s.bitCount < count) {
        s.heldBits = (s.heldBits << 8) | fetchBitStreamByte(s);
        s.bitCount += 8;
    }
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
    const uint8_t bytes[4] = {uint8_t(word >> 24), uint8_t(word >> 16), uint8_t(word >> 8),
                              uint8_t(word)};
    putOutputBytes(s, bytes, 4);
}
