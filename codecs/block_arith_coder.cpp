#include "codecs/block_arith_coder.h"

#include "codecs/block_bit_stream.h"
#include "foundation/runtime_error.h"

ArithmeticCoderState arithmeticCoder;

namespace {

// One decided bit, then the undecided bits that were waiting for it, inverted.
void writeDecidedBit(unsigned bit) {
    writeBit(bit);
    for (; arithmeticCoder.pendingBits > 0; --arithmeticCoder.pendingBits)
        writeBit(bit ^ 1u);
}

// freq[1] + ... + freq[symbol - 1], summed from whichever end is nearer.
uint32_t cumulativeFrequency(const FrequencyModel& model, int symbol) {
    const uint32_t* freq = model.freq;
    if (symbol <= model.numSymbols / 2) {
        uint32_t sum = 0;
        for (int i = 1; i < symbol; ++i)
            sum += freq[i];
        return sum;
    }
    uint32_t above = 0;
    for (int i = symbol; i <= model.numSymbols; ++i)
        above += freq[i];
    return model.totalFreq - above;
}

}  // namespace

void startEncoding() {
    arithmeticCoder = ArithmeticCoderState{0, kCodeHalf, 0, 0};
}

void encodeSymbol(FrequencyModel& model, int symbol) {
    ArithmeticCoderState& c = arithmeticCoder;
    const uint32_t total = model.totalFreq;
    const uint32_t cumLow = cumulativeFrequency(model, symbol);
    const uint32_t step = c.range / total;
    c.low += step * cumLow;
    // The top symbol takes what the integer division left over.
    if (cumLow + model.freq[symbol] < total) {
        c.range = step * model.freq[symbol];
    } else {
        c.range -= step * cumLow;
    }
    while (c.range <= kCodeQuarter) {
        if (c.low + c.range <= kCodeHalf) {
            writeDecidedBit(0);
        } else if (c.low >= kCodeHalf) {
            writeDecidedBit(1);
            c.low -= kCodeHalf;
        } else {
            ++c.pendingBits;
            c.low -= kCodeQuarter;
        }
        c.low <<= 1;
        c.range <<= 1;
    }
    if (c.pendingBits > kMaxPendingBits) {
        fatalRunTimeError("compress", __LINE__, "encodeSymbol: too many bits outstanding");
    }
    updateModel(model, symbol);
}

void finishEncoding() {
    const uint32_t low = arithmeticCoder.low;
    writeDecidedBit((low >> (kCodeBits - 1)) & 1u);
    for (int bit = kCodeBits - 2; bit >= 0; --bit)
        writeBit((low >> bit) & 1u);
    closeBitStream();
}

void startDecoding() {
    arithmeticCoder = ArithmeticCoderState{0, kCodeHalf, 0, 0};
    for (int i = 0; i < kCodeBits; ++i)
        arithmeticCoder.value = 2 * arithmeticCoder.value + readBit();
}

int decodeSymbol(FrequencyModel& model) {
    ArithmeticCoderState& c = arithmeticCoder;
    const uint32_t total = model.totalFreq;
    const uint32_t step = c.range / total;
    uint32_t limit = c.value / step;
    if (limit > total - 1) limit = total - 1;
    int symbol = 1;
    uint32_t cumHigh = model.freq[1];
    while (cumHigh <= limit)
        cumHigh += model.freq[++symbol];
    const uint32_t cumLow = cumHigh - model.freq[symbol];
    c.value -= step * cumLow;
    if (cumHigh < total) {
        c.range = step * model.freq[symbol];
    } else {
        c.range -= step * cumLow;
    }
    while (c.range <= kCodeQuarter) {
        c.range <<= 1;
        c.value = 2 * c.value + readBit();
    }
    updateModel(model, symbol);
    return symbol;
}
