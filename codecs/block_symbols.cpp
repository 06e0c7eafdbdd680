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
    switch (value) {
        case kRun2:
            encodeSymbol(state.coder, basis, kBasisRun2);
            return;
        case kRun1:
            encodeSymbol(state.coder, basis, kBasisRun1);
            return;
        case kEndOfBlock:
            encodeSymbol(state.coder, basis, kBasisEndOfBlock);
            return;
        case 1:
            encodeSymbol(state.coder, basis, kBasisValue1);
            return;
        default:
            break;
    }
    assert(value >= 2 && value <= 255);
    // value lies in [2 << range, 4 << range)
    const int range = 30 - __builtin_clz(value);
    encodeSymbol(state.coder, basis, kBasisFirstRange + range);
    encodeSymbol(state.coder, state.models.valueRanges[range], int(value - ((2u << range) - 1)));
}

void emitZeroRun(BlockCoderState& state, uint32_t k) {
    unsigned digits[32];
    int count = 0;
    while (k > 0) {
        if (k & 1u) {
            digits[count++] = kRun1;
            k = (k - 1) / 2;
        } else {
            digits[count++] = kRun2;
            k = (k - 2) / 2;
        }
    }
    while (count > 0)
        emitMtfValue(state, digits[--count]);
}
