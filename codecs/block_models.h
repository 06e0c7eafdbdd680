// Adaptive frequency models of the block codec.
//
// A model codes symbols 1..numSymbols; each coded symbol gains `increment` in
// frequency, and when the total passes `maxTotal` every frequency is halved
// (rounding up, so none falls to 0). Encoder and decoder update a model the
// same way after every symbol, which keeps them in step.
#pragma once

#include <cstdint>

#include "codecs/block_format.h"

constexpr int kMaxModelSymbols = 256;

// Symbols are also counted in groups of 8 (1..8, 9..16, ...), so that a
// search through a wide model can skip a group with one addition.
constexpr int kSymbolGroupSize = 8;
constexpr int kMaxSymbolGroups = kMaxModelSymbols / kSymbolGroupSize + 1;

inline unsigned symbolGroup(int symbol) {
    return unsigned(symbol - 1) / kSymbolGroupSize;
}

struct FrequencyModel {
    uint32_t rescaleCount;  // statistic only
    uint32_t totalFreq;     // sum of freq[1..numSymbols]
    int32_t numSymbols;
    int32_t increment;
    uint32_t maxTotal;
    const char* name;  // for diagnostics
    // freq[0] and freq[numSymbols + 1] on stay 0.
    uint32_t freq[kMaxModelSymbols + 2];
    // groupFreq[g] = freq[8g + 1] + ... + freq[8g + 8] (0 past numSymbols).
    uint32_t groupFreq[kMaxSymbolGroups];
};

// Recomputes groupFreq from freq.
void sumSymbolGroups(FrequencyModel& model);

// Every frequency starts at increment (at 1 when increment is 0, which makes
// a model that never adapts).
void initModel(FrequencyModel& model, const char* name, int numSymbols, int increment,
               uint32_t maxTotal);

inline void updateModel(FrequencyModel& model, int symbol) {
    model.totalFreq += model.increment;
    model.freq[symbol] += model.increment;
    model.groupFreq[symbolGroup(symbol)] += model.increment;
    if (model.totalFreq <= model.maxTotal) return;
    ++model.rescaleCount;
    model.totalFreq = 0;
    for (int i = 1; i <= model.numSymbols; ++i) {
        model.freq[i] = (model.freq[i] + 1) / 2;
        model.totalFreq += model.freq[i];
    }
    sumSymbolGroups(model);
}

// The nine models of the format: "header" codes the bytes of block headers
// (symbol = byte + 1); "basis" codes the kind of each block symbol and the
// seven range models ("2-3" .. "128-255") the move-to-front value within its
// range.
struct BlockModels {
    FrequencyModel header;
    FrequencyModel basis;
    FrequencyModel valueRanges[blockformat::kValueRangeCount];
};

// Once per stream, before the coder starts.
void initHeaderModel(BlockModels& models);

// At the start of every block, after its header: "basis" and the range models.
void initValueModels(BlockModels& models);
