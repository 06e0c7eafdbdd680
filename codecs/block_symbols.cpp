#include "codecs/block_symbols.h"

#include <cassert>

#include "codecs/block_arith_coder.h"
#include "codecs/block_format.h"
#include "codecs/block_models.h"

using namespace blockformat;

void emitBlockHeader(BlockCoderState& state, uint32_t origin, bool last) {
    const uint32_t header = last ? ~origin : origin + 1;
    for (int shift = 24; shift >= 0; shift -= 8) {
        encodeSymbol(state.coder, state.models.header, int((header >> shift) & 0xFFu) + 1);
    }
    initValueModels(state.models);
}

void emitMtfValue(BlockCoderState& state, unsigned value) {
    FrequencyModel& basis = state.models.basis;
    if (value - 1 < 255) {
        // value lies in [2^magnitude, 2^(magnitude + 1)): "basis" names the
        // magnitude, and from 2 on a range model the value within it.
        const int magnitude = 31 - __builtin_clz(value);
        encodeSymbol(state.coder, basis, kBasisValue1 + magnitude);
        if (magnitude == 0) return;
        FrequencyModel& range = state.models.valueRanges[magnitude - 1];
        const int symbol = int(value - ((1u << magnitude) - 1));
        encodeSymbolAt(state.coder, range, symbol, groupedCumulativeFrequency(range, symbol));
        return;
    }
    switch (value) {
        case kRun2:
            encodeSymbol(state.coder, basis, kBasisRun2);
            return;
        case kRun1:
            encodeSymbol(state.coder, basis, kBasisRun1);
            return;
        default:
            assert(value == kEndOfBlock);
            encodeSymbol(state.coder, basis, kBasisEndOfBlock);
            return;
    }
}

void emitZeroRun(BlockCoderState& state, uint32_t k) {
    // Digits least significant first; k < 2^32 has at most 32 of them.
    int digits[32];
    int count = 0;
    while (k > 0) {
        const uint32_t odd = k & 1u;
        digits[count++] = odd ? kBasisRun1 : kBasisRun2;
        k = (k - 2 + odd) / 2;
    }
    while (count > 0)
        encodeSymbol(state.coder, state.models.basis, digits[--count]);
}
