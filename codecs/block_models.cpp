#include "codecs/block_models.h"

#include <cassert>

void initModel(FrequencyModel& model, const char* name, int numSymbols, int increment,
               uint32_t maxTotal) {
    assert(numSymbols >= 1 && numSymbols <= kMaxModelSymbols);
    const uint32_t start = increment == 0 ? 1 : static_cast<uint32_t>(increment);
    model.rescaleCount = 0;
    model.numSymbols = numSymbols;
    model.increment = increment;
    model.maxTotal = maxTotal;
    model.name = name;
    // The slots around the symbols stay 0.
    for (int i = 0; i < kMaxModelSymbols + 2; ++i)
        model.freq[i] = i >= 1 && i <= numSymbols ? start : 0;
    model.totalFreq = start * static_cast<uint32_t>(numSymbols);
    // Groups beyond the model's width stay 0 as well.
    for (int group = 0; group < kMaxSymbolGroups; ++group)
        model.groupFreq[group] = 0;
    sumSymbolGroups(model);
}

void sumSymbolGroups(FrequencyModel& model) {
    for (unsigned group = 0; group <= symbolGroup(model.numSymbols); ++group)
        model.groupFreq[group] = 0;
    for (int i = 1; i <= model.numSymbols; ++i)
        model.groupFreq[symbolGroup(i)] += model.freq[i];
}

void initHeaderModel(BlockModels& models) {
    initModel(models.header, "header", 256, 0, 256);
}

void initValueModels(BlockModels& models) {
    struct RangeModel {
        const char* name;
        int increment;
    };
    static const RangeModel kRanges[blockformat::kValueRangeCount] = {
        {"2-3", 4},   {"4-7", 3},    {"8-15", 3},    {"16-31", 3},
        {"32-63", 3}, {"64-127", 2}, {"128-255", 1},
    };
    initModel(models.basis, "basis", 11, 12, 1000);
    for (int i = 0; i < blockformat::kValueRangeCount; ++i) {
        initModel(models.valueRanges[i], kRanges[i].name, 2 << i, kRanges[i].increment, 1000);
    }
}
