// The block codec's adaptive arithmetic coder: 26-bit code values, unsigned
// 32-bit arithmetic, bits through the process-wide bit stream.
//
// Encoder and decoder compute the same range for every symbol, so the decoder
// reads exactly as many bits as the encoder wrote: 26 at the start, then one
// per renormalisation step. It therefore never reads past a stream's last
// byte, whatever follows the stream.
#pragma once

#include <cstdint>

#include "codecs/block_models.h"

constexpr uint32_t kCodeHalf = 1u << 25;
constexpr uint32_t kCodeQuarter = 1u << 24;
constexpr int kCodeBits = 26;

// An encoder that has more undecided bits than this gives up.
constexpr uint32_t kMaxPendingBits = 500000000;

struct ArithmeticCoderState {
    uint32_t low;          // encoder
    uint32_t range;        // both
    uint32_t pendingBits;  // encoder: bits that follow the next decided bit, inverted
    uint32_t value;        // decoder: code value minus the encoder's low
};

extern ArithmeticCoderState arithmeticCoder;

// Encoder, over an open bit writer.
void startEncoding();
// Codes symbol (1..model.numSymbols) and updates the model. More than
// kMaxPendingBits undecided bits is a fatal run-time error
// "encodeSymbol: too many bits outstanding".
void encodeSymbol(FrequencyModel& model, int symbol);
// Writes the final 26 bits and closes the bit writer.
void finishEncoding();

// Decoder, over an open bit reader: reads the first 26 bits.
void startDecoding();
// Decodes one symbol of the model and updates the model. Always yields a
// symbol of the model, whatever the input; a corrupt input shows only in what
// the caller makes of the symbols.
int decodeSymbol(FrequencyModel& model);
