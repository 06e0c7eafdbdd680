// Writing a block's symbols through the arithmetic encoder (compressor side;
// the decoder reads them back in block_decoder.cpp).
#pragma once

#include <cstdint>

#include "codecs/block_arith_coder.h"

// Codes the block header: origin + 1, or for the last block the complement of
// origin (negative as a 32-bit value), as four "header" symbols, most
// significant byte first. Then resets the value models for the block.
void emitBlockHeader(BlockCoderState& state, uint32_t origin, bool last);

// Codes one block symbol: a move-to-front value 1..255, kRun2, kRun1 or
// kEndOfBlock, as a "basis" symbol and, for values 2..255, a symbol of the
// value's range model.
void emitMtfValue(BlockCoderState& state, unsigned value);

// Codes a run of k >= 1 move-to-front zeros as the bijective base-2 digits of
// k (kRun1 for 1, kRun2 for 2), most significant first.
void emitZeroRun(BlockCoderState& state, uint32_t k);
