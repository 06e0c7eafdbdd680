// Block codec decoder: signature, per block the move-to-front values, then the
// inverse block sort, de-randomisation and run-length undoing in one pass
// straight into the caller's area.

#include <cstring>
#include <istream>
#include <memory>
#include <new>

#include "codecs/block_arith_coder.h"
#include "codecs/block_bit_stream.h"
#include "codecs/block_codec.h"
#include "codecs/block_format.h"
#include "codecs/block_models.h"
#include "codecs/block_randomise.h"
#include "foundation/runtime_error.h"

using namespace blockformat;

namespace {

// What went wrong, where (the line of the check, for the fatal report), and
// how uncompressStream words it.
struct DecodeOutcome {
    BlockDecodeStatus status;
    const char* message;
    int line;
    bool outOfMemory;
};

constexpr DecodeOutcome kDecodeOk{BlockDecodeStatus::Ok, nullptr, 0, false};

DecodeOutcome fault(BlockDecodeStatus status, const char* message, int line) {
    return DecodeOutcome{status, message, line, false};
}

DecodeOutcome truncated(int line) {
    return fault(BlockDecodeStatus::Truncated, "Compressed stream EOF", line);
}

// The caller's area: every write is checked against its capacity.
class OutputArea {
public:
    OutputArea(uint8_t* data, size_t capacity) : data_(data), capacity_(capacity) {}

    bool put(uint8_t byte) {
        if (size_ == capacity_) return false;
        data_[size_++] = byte;
        return true;
    }
    bool putRepeated(uint8_t byte, size_t count) {
        if (count > capacity_ - size_) return false;
        std::memset(data_ + size_, byte, count);
        size_ += count;
        return true;
    }
    size_t size() const { return size_; }

private:
    uint8_t* data_;
    size_t capacity_;
    size_t size_ = 0;
};

// The last column, and a link per row that is first the row's occurrence
// rank and then the forward walk through the block.
struct DecoderStorage {
    std::unique_ptr<uint8_t[]> lastColumn;
    std::unique_ptr<uint32_t[]> links;

    bool allocate(uint32_t blockLimit) {
        lastColumn.reset(new (std::nothrow) uint8_t[blockLimit]);
        links.reset(new (std::nothrow) uint32_t[blockLimit]);
        return lastColumn && links;
    }
};

// Leaves the process-wide bit stream closed and the input readable, however
// the decoder is left.
class ReaderScope {
public:
    explicit ReaderScope(std::istream& input) : input_(input) { resetBitStream(); }
    ~ReaderScope() {
        resetBitStream();
        input_.clear();
    }
    ReaderScope(const ReaderScope&) = delete;
    ReaderScope& operator=(const ReaderScope&) = delete;

private:
    std::istream& input_;
};

// ---- signature -----------------------------------------------------------

// "Res" + 'A' + N, or "BZ0" + '0' + N, for N = 1..9.
int blockSizeDigit(const uint8_t* signature) {
    if (signature[0] == 'R' && signature[1] == 'e' && signature[2] == 's') {
        int digit = signature[3] - 'A';
        return digit >= 1 && digit <= kMaxBlockSizeDigit ? digit : 0;
    }
    if (signature[0] == 'B' && signature[1] == 'Z' && signature[2] == '0') {
        int digit = signature[3] - '0';
        return digit >= 1 && digit <= kMaxBlockSizeDigit ? digit : 0;
    }
    return 0;
}

bool isSignaturePrefix(const uint8_t* bytes, int count) {
    static const char kForms[2][3] = {{'R', 'e', 's'}, {'B', 'Z', '0'}};
    for (const auto& form : kForms) {
        bool matches = true;
        for (int i = 0; i < count && i < 3; ++i)
            matches = matches && bytes[i] == uint8_t(form[i]);
        if (matches) return true;
    }
    return false;
}

// ---- move-to-front values of one block -------------------------------------

// Decodes the block's symbols into lastColumn[0, n) until the end-of-block
// symbol; more than blockLimit bytes is an overrun.
DecodeOutcome decodeMoveToFront(uint8_t* lastColumn, uint32_t blockLimit, uint32_t& n) {
    uint8_t list[256];
    for (int i = 0; i < 256; ++i)
        list[i] = uint8_t(i);
    n = 0;
    FrequencyModel& basis = blockModels.basis;
    int symbol = decodeSymbol(basis);
    for (;;) {
        if (bitStream.inputEnded) return truncated(__LINE__);
        if (symbol == kBasisEndOfBlock) return kDecodeOk;
        if (symbol == kBasisRun2 || symbol == kBasisRun1) {
            // A zero run: bijective base-2 digits, most significant first.
            uint32_t run = 0;
            do {
                run = 2 * run + (symbol == kBasisRun2 ? 2 : 1);
                if (run > blockLimit - n) {
                    return fault(BlockDecodeStatus::Corrupt, "Block overrun during decompression",
                                 __LINE__);
                }
                symbol = decodeSymbol(basis);
                if (bitStream.inputEnded) return truncated(__LINE__);
            } while (symbol == kBasisRun2 || symbol == kBasisRun1);
            std::memset(lastColumn + n, list[0], run);
            n += run;
            continue;  // symbol is the one that ended the run
        }
        unsigned value = 1;
        if (symbol != kBasisValue1) {
            const int range = symbol - kBasisFirstRange;
            value = (2u << range) - 1 + unsigned(decodeSymbol(blockModels.valueRanges[range]));
            if (bitStream.inputEnded) return truncated(__LINE__);
        }
        if (n >= blockLimit) {
            return fault(BlockDecodeStatus::Corrupt, "Block overrun during decompression",
                         __LINE__);
        }
        const uint8_t byte = list[value];
        std::memmove(list + 1, list, value);
        list[0] = byte;
        lastColumn[n++] = byte;
        symbol = decodeSymbol(basis);
    }
}

// ---- inverse transforms ------------------------------------------------------

// links[C[c] + rank] = the row whose last byte is that occurrence of c, with
// the byte itself in the low 8 bits: following the links from the origin row
// yields the block from its first byte on.
void buildLinks(const uint8_t* lastColumn, uint32_t* links, uint32_t n) {
    uint32_t next[256] = {};
    for (uint32_t i = 0; i < n; ++i)
        ++next[lastColumn[i]];
    for (uint32_t c = 0, sum = 0; c < 256; ++c) {
        const uint32_t count = next[c];
        next[c] = sum;
        sum += count;
    }
    for (uint32_t row = 0; row < n; ++row) {
        const uint8_t c = lastColumn[row];
        links[next[c]++] = (row << 8) | c;
    }
}

// One dependent load per byte and nothing else in the loop: a branch on the
// byte here would cost a pipeline restart per misprediction on top of the
// load.
void walkLinks(const uint32_t* links, uint32_t origin, uint8_t* block, uint32_t n) {
    uint32_t link = links[origin];
    for (uint32_t i = 0; i < n; ++i) {
        block[i] = uint8_t(link);
        link = links[link >> 8];
    }
}

// Run-length undoing of block[0, dataEnd): after four equal bytes comes a
// count of further copies.
DecodeOutcome undoRunLengths(const uint8_t* block, uint32_t dataEnd, OutputArea& out) {
    const uint8_t* p = block;
    const uint8_t* const end = block + dataEnd;
    int previous = -1;
    int runLength = 0;
    while (p < end) {
        const uint8_t byte = *p++;
        if (!out.put(byte)) {
            return fault(BlockDecodeStatus::TooLong,
                         "Decompressed data longer than its destination", __LINE__);
        }
        if (byte != previous) {
            previous = byte;
            runLength = 1;
            continue;
        }
        if (++runLength < kRunThreshold) continue;
        // A run of four at the very end lacks its count; the compressor never
        // splits a run from its count.
        if (p == end) return fault(BlockDecodeStatus::Corrupt, "Unblock error", __LINE__);
        if (!out.putRepeated(byte, *p++)) {
            return fault(BlockDecodeStatus::TooLong,
                         "Decompressed data longer than its destination", __LINE__);
        }
        runLength = 0;
    }
    return kDecodeOk;
}

// Undoes the block sort, the randomisation and the run-length pre-coding of
// the block whose last column is lastColumn[0, n) (overwritten with the block).
DecodeOutcome emitBlock(uint8_t* lastColumn, uint32_t* links, uint32_t n, uint32_t origin,
                        bool last, OutputArea& out) {
    if (origin >= n) return fault(BlockDecodeStatus::Corrupt, "Bad block origin", __LINE__);
    buildLinks(lastColumn, links, n);
    uint8_t* block = lastColumn;  // no longer needed as such
    walkLinks(links, origin, block, n);
    derandomiseBlock(block, n);
    // The last block's final byte is the end marker, not data.
    if (last && block[n - 1] != kEndMarker) {
        return fault(BlockDecodeStatus::Corrupt, "Unblock error", __LINE__);
    }
    return undoRunLengths(block, last ? n - 1 : n, out);
}

// ---- stream -----------------------------------------------------------------

DecodeOutcome decodeStream(OutputArea& out, CodecCallback blockCallback) {
    uint8_t signature[4];
    int available = 0;
    for (uint8_t& byte : signature) {
        byte = uint8_t(readBitByte());
        if (!bitStream.inputEnded) ++available;
    }
    if (available < 4) {
        if (isSignaturePrefix(signature, available)) return truncated(__LINE__);
        return fault(BlockDecodeStatus::BadSignature, nullptr, __LINE__);
    }
    const int digit = blockSizeDigit(signature);
    if (digit == 0) return fault(BlockDecodeStatus::BadSignature, nullptr, __LINE__);
    const uint32_t blockLimit = uint32_t(digit) * kBlockSizeUnit;

    DecoderStorage storage;
    if (!storage.allocate(blockLimit)) {
        return DecodeOutcome{BlockDecodeStatus::Corrupt, "uncompress: out of memory", __LINE__,
                             true};
    }

    initHeaderModel();
    startDecoding();
    for (;;) {
        if (blockCallback) blockCallback();
        uint32_t header = 0;
        for (int i = 0; i < 4; ++i) {
            header = (header << 8) | uint32_t(decodeSymbol(blockModels.header) - 1);
        }
        if (bitStream.inputEnded) return truncated(__LINE__);
        // A negative header marks the last block and holds the complement of
        // its origin; any other holds origin + 1.
        const bool last = int32_t(header) < 0;
        const uint32_t origin = last ? ~header : header - 1;

        initValueModels();
        uint32_t n = 0;
        DecodeOutcome outcome = decodeMoveToFront(storage.lastColumn.get(), blockLimit, n);
        if (outcome.status != BlockDecodeStatus::Ok) return outcome;
        outcome = emitBlock(storage.lastColumn.get(), storage.links.get(), n, origin, last, out);
        if (outcome.status != BlockDecodeStatus::Ok || last) return outcome;
    }
}

DecodeOutcome decodeWithOutcome(std::istream& input, OutputArea& out, CodecCallback blockCallback) {
    ReaderScope scope(input);
    openBitReader(input);
    DecodeOutcome outcome = decodeStream(out, blockCallback);
    closeBitStream();
    return outcome;
}

}  // namespace

BlockDecodeResult decodeBlockStream(std::istream& input, uint8_t* output, size_t capacity,
                                    CodecCallback blockCallback) {
    OutputArea out(output, capacity);
    DecodeOutcome outcome = decodeWithOutcome(input, out, blockCallback);
    if (outcome.outOfMemory) throw std::bad_alloc();
    return BlockDecodeResult{outcome.status, out.size()};
}

size_t uncompressStream(std::istream& input, uint8_t* output, size_t capacity,
                        CodecCallback blockCallback) {
    OutputArea out(output, capacity);
    DecodeOutcome outcome = decodeWithOutcome(input, out, blockCallback);
    switch (outcome.status) {
        case BlockDecodeStatus::Ok:
            return out.size();
        case BlockDecodeStatus::BadSignature:
            return 0;
        case BlockDecodeStatus::Corrupt:
        case BlockDecodeStatus::Truncated:
        case BlockDecodeStatus::TooLong:
            break;
    }
    fatalRunTimeError("compress", outcome.line, outcome.message);
}
