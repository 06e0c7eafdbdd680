#include "codecs/block_symbols.h"

#include "codecs/block_arith_coder.h"
#include "codecs/block_format.h"
#include "codecs/block_models.h"
#include "foundation/runtime_error.h"

using namespace blockformat;

void emitBlockHeader(uint32_t origin, bool last) {
    const uint32_t header = last ? ~origin : origin + 1;
    for (int shift = 24; shift >= 0; shift -= 8) {
        encodeSymbol(blockModels.header, int((header >> shift) & 0xFFu) + 1);
    }
    initValueModels();
}

void emitMtfValue(unsigned value) {
    FrequencyModel& basis = blockModels.basis;
    switch (value) {
        case kRun2:
            encodeSymbol(basis, kBasisRun2);
            return;
        case kRun1:
            encodeSymbol(basis, kBasisRun1);
            return;
        case kEndOfBlock:
            encodeSymbol(basis, kBasisEndOfBlock);
            return;
        case 1:
            encodeSymbol(basis, kBasisValue1);
            return;
        default:
            break;
    }
    if (value < 2 || value > 255)
        fatalRunTimeError("compress", __LINE__, "emitMtfValue: bad value!");
    int range = 0;  // value lies in [2 << range, 4 << range)
    while (value >= (4u << range))
        ++range;
    encodeSymbol(basis, kBasisFirstRange + range);
    encodeSymbol(blockModels.valueRanges[range], int(value - ((2u << range) - 1)));
}

void emitZeroRun(uint32_t k) {
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
        emitMtfValue(digits[--count]);
}
