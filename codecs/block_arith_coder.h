// The block codec's adaptive arithmetic coder: 26-bit code values, unsigned
// 32-bit arithmetic, bits through the coder's own bit stream.
//
// Encoder and decoder compute the same range for every symbol, so the decoder
// reads exactly as many bits as the encoder wrote: 26 at the start, then one
// per renormalisation step. It therefore never reads past a stream's last
// byte, whatever follows the stream.
#pragma once

#include <cstdint>

#include "codecs/block_bit_stream.h"
#include "codecs/block_models.h"

constexpr uint32_t kCodeHalf = 1u << 25;
constexpr uint32_t kCodeQuarter = 1u << 24;
constexpr int kCodeBits = 26;

// Models at least this wide are searched 8 symbols at a time.
constexpr int kGroupSearchSymbols = 32;

// The encoder sums the frequencies below a symbol of a model of up to this
// many symbols at a fixed width.
constexpr int kMaskedSumSymbols = 16;

// The encoder's partial bits go out as bytes once this many have gathered;
// with the at most kCodeBits added by one symbol they fit 64 bits.
constexpr int kPartialBitsLimit = 32;

// The window of code value bits the coder works in.
constexpr uint32_t kCodeWindow = 1u << kCodeBits;

struct ArithmeticCoderState {
    uint32_t low;    // encoder: the low 26 bits of the interval's lower end
    uint32_t range;  // both
    uint32_t value;  // decoder: code value minus the encoder's low
    // Encoder: bits shifted out above `low` that a carry may still change.
    // The newest ones, fewer than kPartialBitsLimit, are held as partial
    // bits (whole bytes go out only once that many have gathered, which
    // makes the test a rarer and steadier branch); before them come
    // `carryByte` (if `hasCarryByte`) and then `carryFFs` bytes 0xFF. A carry
    // can turn those 0xFF into 0x00 and add 1 to carryByte, never more.
    uint64_t partialBits;
    int partialCount;
    bool hasCarryByte;
    uint8_t carryByte;
    uint32_t carryFFs;
    BitStreamState bits;
};

// A coder and the models of the format: everything one stream's coding
// needs besides the block storage. Owned by whoever codes the stream.
struct BlockCoderState {
    ArithmeticCoderState coder;
    BlockModels models;
};

// ---- encoder, over c.bits opened as a writer ------------------------------------------

void startEncoding(ArithmeticCoderState& c);

// Codes symbol (1..model.numSymbols) and updates the model: defined below.
inline void encodeSymbol(ArithmeticCoderState& c, FrequencyModel& model, int symbol);

// The encoder's slow paths: the bytes completed in the partial bits go out,
// and a carry that has run through all the partial bits (leaving them 1
// above their width) goes into the bytes before them.
void shiftOutCodeBytes(ArithmeticCoderState& c);
void carryOutOfPartialBits(ArithmeticCoderState& c);

// Writes the final 26 bits and closes the bit writer; false if the output
// refused a byte or the flush (here or before).
bool finishEncoding(ArithmeticCoderState& c);

// ---- decoder, over c.bits opened as a reader ------------------------------------------

// range / total for totals up to kMaxReciprocalTotal without a division: a
// division sits on the chain from one symbol to the next, while the table
// load depends only on the model's total, which is known early.
// (range * (2^36 / total + 1)) >> 36 is exact for range < 2^26 when total
// <= 2^10: the error stays below 2^26 / 2^36 = 1 / 2^10 <= 1 / total.
constexpr uint32_t kMaxReciprocalTotal = 1024;
constexpr int kReciprocalShift = 36;

struct StepReciprocals {
    uint64_t ofTotal[kMaxReciprocalTotal + 1];  // [0] unused: no model totals 0
};

constexpr StepReciprocals makeStepReciprocals() {
    StepReciprocals table{};
    for (uint32_t total = 1; total <= kMaxReciprocalTotal; ++total)
        table.ofTotal[total] = (uint64_t(1) << kReciprocalShift) / total + 1;
    return table;
}

inline constexpr StepReciprocals kStepReciprocals = makeStepReciprocals();

inline uint32_t stepOfRange(uint32_t range, uint32_t total) {
    if (total > kMaxReciprocalTotal) return range / total;
    return uint32_t((uint64_t(range) * kStepReciprocals.ofTotal[total]) >> kReciprocalShift);
}

// freq[1] + ... + freq[symbol - 1] for a model of up to kGroupedSumSymbols
// symbols: the groups of 8 below the symbol's, then the symbols before it in
// its group, each a sum of fixed width under a mask. No branch depends on the
// model's width or on where the symbol lies, so models of every width mixed
// in any order cost no mispredicted branches (groups and frequencies beyond
// a model's width are 0).
constexpr int kGroupedSumSymbols = 128;

inline uint32_t groupedCumulativeFrequency(const FrequencyModel& model, int symbol) {
    constexpr unsigned kGroups = kGroupedSumSymbols / kSymbolGroupSize;
    const unsigned group = symbolGroup(symbol);
    const unsigned within = unsigned(symbol - 1) % kSymbolGroupSize;
    uint32_t sum = 0;
    for (unsigned g = 0; g < kGroups; ++g)
        sum += model.groupFreq[g] & (0u - uint32_t(g < group));
    const uint32_t* freq = model.freq + group * kSymbolGroupSize + 1;
    for (unsigned i = 0; i < unsigned(kSymbolGroupSize); ++i)
        sum += freq[i] & (0u - uint32_t(i < within));
    return sum;
}

// freq[1] + ... + freq[symbol - 1]. Narrow models sum a fixed width of
// frequencies under a mask (vector additions, and no branch on where the
// symbol lies); wide ones add whole groups of 8 first.
inline uint32_t cumulativeFrequency(const FrequencyModel& model, int symbol) {
    const uint32_t* freq = model.freq;
    uint32_t sum = 0;
    if (model.numSymbols <= kMaskedSumSymbols) {
        // A symbol the caller names as a constant sums to a few additions.
        if (__builtin_constant_p(symbol)) {
            for (int i = 1; i < symbol; ++i)
                sum += freq[i];
            return sum;
        }
        for (int i = 1; i <= kMaskedSumSymbols; ++i)
            sum += freq[i] & (0u - uint32_t(i < symbol));
        return sum;
    }
    const unsigned group = symbolGroup(symbol);
    for (unsigned g = 0; g < group; ++g)
        sum += model.groupFreq[g];
    for (int i = int(group) * kSymbolGroupSize + 1; i < symbol; ++i)
        sum += freq[i];
    return sum;
}

// Codes symbol, whose cumulative frequency is cumLow, and updates the model.
[[gnu::always_inline]] inline void encodeSymbolAt(ArithmeticCoderState& c, FrequencyModel& model,
                                                  int symbol, uint32_t cumLow) {
    const uint32_t total = model.totalFreq;
    // The decoder's division-free step; it is exact, so both sides agree.
    const uint32_t step = stepOfRange(c.range, total);
    c.low += step * cumLow;
    // The top symbol takes what the integer division left over (a select:
    // which symbol is on top is the data's choice).
    const uint32_t freq = model.freq[symbol];
    const uint32_t ownRange = step * freq;
    const uint32_t restOfRange = c.range - step * cumLow;
    c.range = cumLow + freq < total ? ownRange : restOfRange;
    // A carry out of the window is added to the partial bits without a
    // branch; only one that runs through all of them takes the slow path.
    const uint32_t carry = c.low >> kCodeBits;
    c.low &= kCodeWindow - 1;
    c.partialBits += carry;
    if (__builtin_expect((c.partialBits >> c.partialCount) != 0, 0)) carryOutOfPartialBits(c);
    if (c.range <= kCodeQuarter) {
        const int doublings = __builtin_clz(c.range - 1) - 7;
        c.partialBits = (c.partialBits << doublings) | (c.low >> (kCodeBits - doublings));
        c.partialCount += doublings;
        if (c.partialCount >= kPartialBitsLimit) shiftOutCodeBytes(c);
        c.low = (c.low << doublings) & (kCodeWindow - 1);
        c.range <<= doublings;
    }
    updateModel(model, symbol);
}

[[gnu::always_inline]] inline void encodeSymbol(ArithmeticCoderState& c, FrequencyModel& model,
                                                int symbol) {
    encodeSymbolAt(c, model, symbol, cumulativeFrequency(model, symbol));
}

// Reads the first 26 bits.
void startDecoding(ArithmeticCoderState& c);

// Decodes one symbol of the model and updates the model. Always yields a
// symbol of the model, whatever the input; a corrupt input shows only in what
// the caller makes of the symbols.
[[gnu::always_inline]] inline int decodeSymbol(ArithmeticCoderState& c, FrequencyModel& model) {
    const uint32_t total = model.totalFreq;
    const uint32_t step = stepOfRange(c.range, total);
    // The symbol is the first whose cumulative frequency exceeds
    // min(value / step, total - 1); comparing step * cumHigh with value
    // finds the same one without a second division.
    int symbol = model.numSymbols;
    uint32_t cumHigh = total;
    if (c.value < step * total) {
        symbol = 1;
        cumHigh = 0;
        if (model.numSymbols >= kGroupSearchSymbols) {
            // Wide models: skip whole groups of 8 symbols that lie below the
            // value (their widths are multiples of 8).
            const uint32_t* group = model.groupFreq;
            while (step * (cumHigh + *group) <= c.value) {
                cumHigh += *group++;
                symbol += kSymbolGroupSize;
            }
        }
        cumHigh += model.freq[symbol];
        while (step * cumHigh <= c.value)
            cumHigh += model.freq[++symbol];
    }
    const uint32_t cumLow = cumHigh - model.freq[symbol];
    c.value -= step * cumLow;
    if (cumHigh < total) {
        c.range = step * model.freq[symbol];
    } else {
        c.range -= step * cumLow;
    }
    if (c.range <= kCodeQuarter) {
        // Double the range (reading a bit each time) until it exceeds a
        // quarter: range is at least total-sized steps, so never 0 or 1.
        const int doublings = __builtin_clz(c.range - 1) - 7;
        c.range <<= doublings;
        c.value = (c.value << doublings) | readBits(c.bits, doublings);
    }
    updateModel(model, symbol);
    return symbol;
}
