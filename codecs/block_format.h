// Constants of the block codec's stream format, shared by the decoder and the
// compressor.
//
// A stream is the signature "ResJ" (or "Res" + 'B'..'J', or "BZ0" + '1'..'9'),
// then, from its 33rd bit on, the output of the arithmetic coder: for each
// block a 32-bit header, the block's symbols and an end-of-block symbol; after
// the last block the coder's final 26 bits and zero bits up to a byte
// boundary. There is no length field and no checksum.
#pragma once

#include <cstdint>

namespace blockformat {

// A block holds at most blockSizeDigit * kBlockSizeUnit bytes.
constexpr uint32_t kBlockSizeUnit = 100000;
constexpr int kMaxBlockSizeDigit = 9;
// The compressor always writes the largest blocks ("ResJ").
constexpr int kCompressorBlockSizeDigit = kMaxBlockSizeDigit;
constexpr uint32_t kMaxBlockSize = kMaxBlockSizeDigit * kBlockSizeUnit;

// The byte appended to the last block of a stream, after the data.
constexpr uint8_t kEndMarker = 42;

// Run-length pre-coding: four equal bytes are followed by a count of further
// copies (0..251, so a pair of at most 255 equal bytes).
constexpr int kRunThreshold = 4;
constexpr int kMaxRunLength = 255;

// Block symbols: 1..255 are move-to-front positions; zero runs are written as
// bijective base-2 digits.
constexpr int kRun2 = 257;
constexpr int kRun1 = 258;
constexpr int kEndOfBlock = 259;

// "basis" symbols (1..11) and the sub-model ranges they select.
constexpr int kBasisRun2 = 1;
constexpr int kBasisRun1 = 2;
constexpr int kBasisValue1 = 3;
constexpr int kBasisFirstRange = 4;  // values 2..3; each next symbol doubles the range
constexpr int kBasisEndOfBlock = 11;
constexpr int kValueRangeCount = 7;  // "2-3" .. "128-255"

}  // namespace blockformat
