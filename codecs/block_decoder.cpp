// Block codec decoder: signature, per block the move-to-front values, then the
// inverse block sort, de-randomisation and run-length undoing in one pass
// straight into the caller's area.

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "codecs/block_arith_coder.h"
#include "codecs/block_bit_stream.h"
#include "codecs/block_codec.h"
#include "codecs/block_format.h"
#include "codecs/block_models.h"
#include "codecs/block_move_to_front.h"
#include "codecs/block_randomise.h"
#include "codecs/side_task.h"
#include "foundation/work_area.h"

using namespace blockformat;

namespace {

// The window a sink is fed from.
constexpr size_t kSinkWindowSize = 256 * 1024;

// The walk through the links is bound by the latency of its loads, which
// miss the cache: it is split into chains that start at several rows and are
// followed side by side, so that their misses overlap. The origin row starts
// the first chain; the others start at rows spread over the block, whose
// positions in the block are unknown until the chains have ended. So each
// chain writes its bytes into pages of its own, taken in turn from the
// storage of the last column, and the pages are put in order afterwards.
constexpr int kMaxWalkChains = 32;
constexpr uint32_t kWalkPageSize = 1024;
// Every chain leaves at most one page part-filled.
constexpr uint32_t kColumnSlack = kMaxWalkChains * kWalkPageSize;
constexpr uint32_t kMaxWalkPages = kMaxBlockSize / kWalkPageSize + kMaxWalkChains;

}  // namespace

// A block between its move-to-front decoding and its output: the last
// column (whose storage the inverse transform then uses as its scratch), the
// count of every byte value in it, its header, and where the inverse
// transform left the block.
struct DecodedBlock {
    uint8_t* column = nullptr;  // in the decoder's work area
    uint8_t* inverted = nullptr;
    uint32_t byteCounts[256];
    uint32_t n = 0;
    uint32_t origin = 0;
    bool last = false;
};

// Everything a decoder keeps between streams: the coder and its models, one
// block's last column (two when one block is inverted while the next is
// decoded) and a link per row (the row the block goes on with, and the byte;
// once walked, the storage of the inverted block), sized for the largest
// blocks met so far, and the window a sink is fed from. The links and the
// columns share one work area: the first block of a stream fills the links
// whole, so the area is taken in large pages where the system offers them.
struct BlockDecoderWork {
    BlockCoderState coding;
    DecodedBlock blocks[2];
    WorkArea<uint32_t> storage;  // the links first
    uint32_t blockCapacity = 0;
    unsigned blockCount = 0;
    std::unique_ptr<uint8_t[]> window;
    unsigned threads = 1;

    bool reserveBlocks(uint32_t blockLimit, unsigned count) {
        if (blockCapacity >= blockLimit && blockCount >= count) return true;
        const uint32_t capacity = std::max(blockLimit, blockCapacity);
        blockCapacity = 0;
        blockCount = 0;
        for (DecodedBlock& block : blocks)
            block.column = nullptr;
        storage.reset();  // before the new area: never both at once
        // The links, then each column, in whole links.
        const size_t columnWords = (size_t(capacity) + kColumnSlack + 3) / 4;
        storage = makeWorkArea<uint32_t>(capacity + count * columnWords);
        if (!storage) return false;
        for (unsigned i = 0; i < count; ++i)
            blocks[i].column =
                reinterpret_cast<uint8_t*>(storage.get() + capacity + i * columnWords);
        blockCapacity = capacity;
        blockCount = count;
        return true;
    }
    bool reserveWindow() {
        if (!window) window.reset(new (std::nothrow) uint8_t[kSinkWindowSize]);
        return window != nullptr;
    }
};

namespace {

// What went wrong, how the fatal report words it, and where (the line of the
// check).
struct DecodeOutcome {
    CodecStatus status;
    const char* message;
    int line;
};

constexpr DecodeOutcome kDecodeOk{CodecStatus::Ok, nullptr, 0};

DecodeOutcome fault(CodecStatus status, const char* message, int line) {
    return DecodeOutcome{status, message, line};
}

// The input ended before the stream did, or failed.
DecodeOutcome inputEnded(const BitStreamState& bits, int line) {
    return fault(bits.inputFailed ? CodecStatus::ReadFailed : CodecStatus::Truncated,
                 "Compressed stream EOF", line);
}

// Where the decoded bytes go: straight into the caller's area, or into a
// window that is handed to a sink each time it fills. Every write is checked
// against the capacity, the most bytes the stream may decode to.
class OutputArea {
public:
    OutputArea(uint8_t* data, size_t capacity)
        : window_(data), windowSize_(capacity), capacity_(capacity) {}
    OutputArea(ByteSink& sink, uint8_t* window, size_t windowSize, size_t capacity)
        : sink_(&sink), window_(window), windowSize_(windowSize), capacity_(capacity) {}

    // False when the bytes do not fit the capacity, or the sink refused them.
    bool putBytes(const uint8_t* bytes, size_t count) {
        if (count > capacity_ - size_) return false;
        while (count > 0) {
            if (used_ == windowSize_ && !drain()) return false;
            const size_t piece = std::min(count, windowSize_ - used_);
            std::memcpy(window_ + used_, bytes, piece);
            used_ += piece;
            size_ += piece;
            bytes += piece;
            count -= piece;
        }
        return true;
    }
    bool putRepeated(uint8_t byte, size_t count) {
        if (count > capacity_ - size_) return false;
        while (count > 0) {
            if (used_ == windowSize_ && !drain()) return false;
            const size_t piece = std::min(count, windowSize_ - used_);
            std::memset(window_ + used_, byte, piece);
            used_ += piece;
            size_ += piece;
            count -= piece;
        }
        return true;
    }
    // Hands the bytes still in the window to the sink (none without a sink).
    bool drain() {
        if (!sink_ || refused_) return false;
        if (used_ > 0 && !sink_->Write(window_, used_)) {
            refused_ = true;
            return false;
        }
        used_ = 0;
        return true;
    }
    size_t size() const { return size_; }
    size_t room() const { return capacity_ - size_; }
    bool refused() const { return refused_; }

private:
    ByteSink* sink_ = nullptr;
    uint8_t* window_;
    size_t windowSize_;
    size_t capacity_;
    size_t used_ = 0;  // bytes in the window not yet handed on
    size_t size_ = 0;  // bytes written in all
    bool refused_ = false;
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

// Zero runs up to this long are written at this fixed width.
constexpr uint32_t kShortZeroRun = 16;
static_assert(kShortZeroRun <= kColumnSlack, "a short run's store stays in the column");

// Decodes the block's symbols into lastColumn[0, n) until the end-of-block
// symbol; more than blockLimit bytes is an overrun. Counts every byte value on
// the way, which spares the inverse transform a pass over the column.
// lastColumn has room for kShortZeroRun bytes past blockLimit.
DecodeOutcome decodeMoveToFront(BlockCoderState& state, uint8_t* lastColumn, uint32_t blockLimit,
                                uint32_t& n, uint32_t (&byteCounts)[256]) {
    ArithmeticCoderState& coder = state.coder;
    for (uint32_t& count : byteCounts)
        count = 0;
    MoveToFrontList list;
    n = 0;
    FrequencyModel& basis = state.models.basis;
    int symbol = decodeSymbol(coder, basis);
    for (;;) {
        if (coder.bits.inputEnded) return inputEnded(coder.bits, __LINE__);
        if (symbol == kBasisEndOfBlock) return kDecodeOk;
        if (symbol == kBasisRun2 || symbol == kBasisRun1) {
            // A zero run: bijective base-2 digits, most significant first.
            uint32_t run = 0;
            do {
                run = 2 * run + (symbol == kBasisRun2 ? 2 : 1);
                if (run > blockLimit - n) {
                    return fault(CodecStatus::Corrupt, "Block overrun during decompression",
                                 __LINE__);
                }
                symbol = decodeSymbol(coder, basis);
                if (coder.bits.inputEnded) return inputEnded(coder.bits, __LINE__);
            } while (symbol == kBasisRun2 || symbol == kBasisRun1);
            if (run <= kShortZeroRun) {
                // Most runs are short: a fixed-width store instead of a
                // library call (the column has room past the block's limit).
                uint8_t copies[kShortZeroRun];
                std::memset(copies, list.front(), kShortZeroRun);
                std::memcpy(lastColumn + n, copies, kShortZeroRun);
            } else {
                std::memset(lastColumn + n, list.front(), run);
            }
            byteCounts[list.front()] += run;
            n += run;
            continue;  // symbol is the one that ended the run
        }
        unsigned value = 1;
        if (symbol != kBasisValue1) {
            const int range = symbol - kBasisFirstRange;
            value =
                (2u << range) - 1 + unsigned(decodeSymbol(coder, state.models.valueRanges[range]));
            if (coder.bits.inputEnded) return inputEnded(coder.bits, __LINE__);
        }
        if (n >= blockLimit) {
            return fault(CodecStatus::Corrupt, "Block overrun during decompression", __LINE__);
        }
        const uint8_t byte = list.moveToFront(value);
        lastColumn[n++] = byte;
        ++byteCounts[byte];
        symbol = decodeSymbol(coder, basis);
    }
}

// ---- inverse transforms ------------------------------------------------------

// Smaller blocks are walked in one chain.
constexpr uint32_t kMinChainedBlock = 1u << 16;
// A link whose row starts a chain carries this flag: the chain before it
// ends there. Rows take at most 20 bits, shifted up by 8.
constexpr uint32_t kChainStartFlag = 1u << 31;
constexpr uint32_t kLinkRowMask = (1u << 23) - 1;

struct WalkChains {
    int count = 0;
    uint32_t startRow[kMaxWalkChains];  // [0] is the origin
};
// Start rows (distinct): the origin first, then rows spread evenly.
int chooseStartRows(uint32_t origin, uint32_t n, uint32_t (&rows)[kMaxWalkChains]) {
    if (n < kMinChainedBlock) return 0;
    int count = 0;
    rows[count++] = origin;
    for (uint32_t i = 1; i < kMaxWalkChains; ++i) {
        const uint32_t row = uint32_t(uint64_t(n) * i / kMaxWalkChains);
        if (row != origin) rows[count++] = row;
    }
    return count;
}

uint32_t linkRow(uint32_t link) {
    return (link >> 8) & kLinkRowMask;
}

// links[C[c] + rank] = the row whose last byte is that occurrence of c, with
// the byte itself in the low 8 bits (and kChainStartFlag if the row is one
// of startRows, which ascend): following the links from the origin row yields the block
// from its first byte on. byteCounts[c] is the number of bytes c in the
// column.
void buildLinks(const uint8_t* lastColumn, const uint32_t (&byteCounts)[256], uint32_t* links,
                uint32_t n, const uint32_t* startRows, int startCount) {
    uint32_t next[256];
    for (uint32_t c = 0, sum = 0; c < 256; ++c) {
        next[c] = sum;
        sum += byteCounts[c];
    }
    uint32_t row = 0;
    for (int start = 0; start <= startCount; ++start) {
        const uint32_t stop = start < startCount ? startRows[start] : n;
        for (; row < stop; ++row) {
            const uint8_t c = lastColumn[row];
            links[next[c]++] = (row << 8) | c;
        }
        if (start < startCount) {
            const uint8_t c = lastColumn[row];
            links[next[c]++] = (row << 8) | c | kChainStartFlag;
            ++row;
        }
    }
}

// One dependent load per byte and nothing else in the loop: a branch on the
// byte here would cost a pipeline restart per misprediction on top of the
// load.
void walkLinks(const uint32_t* links, uint32_t origin, uint8_t* block, uint32_t n) {
    uint32_t link = links[origin];
    for (uint32_t i = 0; i < n; ++i) {
        block[i] = uint8_t(link);
        link = links[linkRow(link)];
    }
}

// Where the chains wrote their bytes: a chain's pages are linked in order.
struct ChainPages {
    uint32_t first[kMaxWalkChains];
    uint32_t last[kMaxWalkChains];
    uint32_t next[kMaxWalkPages];
    uint32_t used = 0;
};

// Follows every chain up to the next start row, side by side, writing its
// bytes into pages of scratch (n + kColumnSlack bytes), then puts the chains
// in order into block[0, n). False unless the chains from the origin on form
// one cycle through all start rows of n links (always so for a block the
// compressor made); more than n steps in all are never taken.
bool walkChains(const uint32_t* links, uint32_t n, const WalkChains& chains, uint8_t* scratch,
                uint8_t* block) {
    ChainPages pages;
    uint32_t endRow[kMaxWalkChains];
    uint32_t length[kMaxWalkChains];
    // The chains still going, packed: chain[a]'s next row and the page it fills.
    int chain[kMaxWalkChains];
    uint32_t row[kMaxWalkChains];
    uint8_t* pageOf[kMaxWalkChains];
    for (int i = 0; i < chains.count; ++i) {
        chain[i] = i;
        row[i] = chains.startRow[i];
    }
    int activeCount = chains.count;
    uint32_t steps = 0;
    // The chains step together, so they all fill a page at once: each round
    // gives every chain still going a fresh page.
    for (uint32_t round = 0; activeCount > 0; ++round) {
        for (int a = 0; a < activeCount; ++a) {
            // n steps at most fill at most n / kWalkPageSize pages, and each
            // chain one more part-filled.
            const int i = chain[a];
            const uint32_t fresh = pages.used++;
            if (round > 0) {
                pages.next[pages.last[i]] = fresh;
            } else {
                pages.first[i] = fresh;
            }
            pages.last[i] = fresh;
            pageOf[a] = scratch + size_t(fresh) * kWalkPageSize;
        }
        for (uint32_t at = 0; at < kWalkPageSize && activeCount > 0; ++at) {
            steps += uint32_t(activeCount);
            if (steps > n) return false;
            for (int a = 0; a < activeCount;) {
                const uint32_t link = links[row[a]];
                pageOf[a][at] = uint8_t(link);
                row[a] = linkRow(link);
                if (__builtin_expect((link & kChainStartFlag) != 0, 0)) {
                    const int i = chain[a];
                    endRow[i] = row[a];
                    length[i] = round * kWalkPageSize + at + 1;
                    --activeCount;
                    chain[a] = chain[activeCount];
                    row[a] = row[activeCount];
                    pageOf[a] = pageOf[activeCount];
                } else {
                    ++a;
                }
            }
        }
    }
    // From the origin's chain, each chain is followed by the one that starts
    // where it ends.
    bool placed[kMaxWalkChains] = {};
    int order[kMaxWalkChains];
    int current = 0;
    uint32_t position = 0;
    for (int count = 0; count < chains.count; ++count) {
        if (placed[current]) return false;
        placed[current] = true;
        order[count] = current;
        position += length[current];
        int following = 0;
        while (following < chains.count && chains.startRow[following] != endRow[current])
            ++following;
        if (following == chains.count) return false;
        current = following;
    }
    if (current != 0 || position != n) return false;
    uint8_t* out = block;
    for (int k = 0; k < chains.count; ++k) {
        const int i = order[k];
        uint32_t page = pages.first[i];
        for (uint32_t left = length[i]; left > 0;) {
            const uint32_t piece = left < kWalkPageSize ? left : kWalkPageSize;
            std::memcpy(out, scratch + size_t(page) * kWalkPageSize, piece);
            out += piece;
            left -= piece;
            if (left > 0) page = pages.next[page];
        }
    }
    return true;
}

// Bytes from some point on up to the end of the block or up to and with the
// first four equal bytes in a row, whose count of further copies follows.
struct Stretch {
    const uint8_t* end;
    bool endsInRun;
};

// Without a branch per byte on whether neighbours are equal: they come and go
// unpredictably.
Stretch findStretch(const uint8_t* from, const uint8_t* end) {
    if (from == end) return Stretch{end, false};
    unsigned previous = *from;
    int runLength = 1;
    for (const uint8_t* p = from + 1; p < end; ++p) {
        const unsigned byte = *p;
        runLength = byte == previous ? runLength + 1 : 1;
        previous = byte;
        if (runLength == kRunThreshold) return Stretch{p + 1, true};
    }
    return Stretch{end, false};
}

DecodeOutcome tooLong(int line) {
    return fault(CodecStatus::OutputFull, "Decompressed data longer than its destination", line);
}

// Run-length undoing of block[0, dataEnd): after four equal bytes comes a
// count of further copies. Bytes go out a stretch at a time, each stretch
// checked against the output area once; a byte run starts afresh after a
// count.
DecodeOutcome undoRunLengths(const uint8_t* block, uint32_t dataEnd, OutputArea& out) {
    const uint8_t* p = block;
    const uint8_t* const end = block + dataEnd;
    while (p < end) {
        const Stretch stretch = findStretch(p, end);
        if (!out.putBytes(p, size_t(stretch.end - p))) {
            // What fits is written, as a byte-by-byte copy would have.
            out.putBytes(p, out.room());
            return tooLong(__LINE__);
        }
        p = stretch.end;
        if (!stretch.endsInRun) continue;
        // A run of four at the very end lacks its count; the compressor never
        // splits a run from its count.
        if (p == end) return fault(CodecStatus::Corrupt, "Unblock error", __LINE__);
        if (!out.putRepeated(p[-1], *p)) return tooLong(__LINE__);
        ++p;
    }
    return kDecodeOk;
}

// Undoes the block sort and the randomisation of a decoded block, into the
// storage of its last column or, after a walk in chains, into the links'.
DecodeOutcome invertBlock(DecodedBlock& decoded, uint32_t* links) {
    const uint32_t n = decoded.n;
    const uint32_t origin = decoded.origin;
    if (origin >= n) return fault(CodecStatus::Corrupt, "Bad block origin", __LINE__);
    WalkChains chains;
    chains.count = chooseStartRows(origin, n, chains.startRow);
    uint32_t ascendingStarts[kMaxWalkChains];
    std::copy(chains.startRow, chains.startRow + chains.count, ascendingStarts);
    std::sort(ascendingStarts, ascendingStarts + chains.count);
    uint8_t* const column = decoded.column;
    buildLinks(column, decoded.byteCounts, links, n, ascendingStarts, chains.count);
    // The column is no longer needed as such: it is the chains' scratch, or
    // the block itself.
    uint8_t* const linkBytes = reinterpret_cast<uint8_t*>(links);
    uint8_t* block = linkBytes;
    if (chains.count <= 1 || !walkChains(links, n, chains, column, linkBytes)) {
        // A single chain, or a corrupt block: walked the plain way, so that
        // any input decodes to what it always did.
        block = column;
        walkLinks(links, origin, block, n);
    }
    decoded.inverted = block;
    derandomiseBlock(block, n);
    // The last block's final byte is the end marker, not data.
    if (decoded.last && block[n - 1] != kEndMarker) {
        return fault(CodecStatus::Corrupt, "Unblock error", __LINE__);
    }
    return kDecodeOk;
}

// Undoes the run-length pre-coding of an inverted block into the output.
DecodeOutcome outputBlock(const DecodedBlock& decoded, OutputArea& out) {
    return undoRunLengths(decoded.inverted, decoded.last ? decoded.n - 1 : decoded.n, out);
}

// Decodes one block's header and symbols into decoded.
DecodeOutcome decodeBlockSymbols(BlockCoderState& coding, DecodedBlock& decoded,
                                 uint32_t blockLimit) {
    ArithmeticCoderState& coder = coding.coder;
    BlockModels& models = coding.models;
    uint32_t header = 0;
    for (int i = 0; i < 4; ++i) {
        header = (header << 8) | uint32_t(decodeSymbol(coder, models.header) - 1);
    }
    if (coder.bits.inputEnded) return inputEnded(coder.bits, __LINE__);
    // A negative header marks the last block and holds the complement of
    // its origin; any other holds origin + 1.
    decoded.last = int32_t(header) < 0;
    decoded.origin = decoded.last ? ~header : header - 1;

    initValueModels(models);
    decoded.n = 0;
    return decodeMoveToFront(coding, decoded.column, blockLimit, decoded.n,
                             decoded.byteCounts);
}

// ---- stream -----------------------------------------------------------------

DecodeOutcome decodeStream(BlockDecoderWork& work, OutputArea& out, CodecCallback blockCallback) {
    ArithmeticCoderState& coder = work.coding.coder;
    uint8_t signature[4];
    int available = 0;
    for (uint8_t& byte : signature) {
        byte = uint8_t(readBitByte(coder.bits));
        if (!coder.bits.inputEnded) ++available;
    }
    if (available < 4) {
        if (isSignaturePrefix(signature, available)) return inputEnded(coder.bits, __LINE__);
        return fault(CodecStatus::Corrupt, nullptr, __LINE__);
    }
    const int digit = blockSizeDigit(signature);
    if (digit == 0) return fault(CodecStatus::Corrupt, nullptr, __LINE__);
    const uint32_t blockLimit = uint32_t(digit) * kBlockSizeUnit;

    const bool overlap = work.threads > 1;
    if (!work.reserveBlocks(blockLimit, overlap ? 2 : 1)) {
        return fault(CodecStatus::OutOfMemory, "uncompress: out of memory", __LINE__);
    }

    initHeaderModel(work.coding.models);
    startDecoding(coder);
    // With two threads block k is inverted while block k + 1 is decoded; the
    // output, the input and the callback stay on the caller's thread. A fault
    // in block k + 1 is only told once block k is out, as a single thread
    // would have put it out before it met the fault. Block k goes out before
    // block k + 1 is inverted: it may lie in the links, which that rebuilds.
    // inverted is declared before inversion, so that on every return the
    // side thread is joined before the result it writes goes out of scope.
    DecodeOutcome inverted = kDecodeOk;  // of the block inverted last
    SideTask inversion;
    DecodedBlock* pending = nullptr;     // being inverted, not yet put out
    unsigned next = 0;
    for (;;) {
        if (blockCallback) blockCallback();
        DecodedBlock& current = work.blocks[next];
        next = overlap ? 1 - next : 0;
        const DecodeOutcome decoded = decodeBlockSymbols(work.coding, current, blockLimit);
        if (pending) {
            inversion.wait();
            if (inverted.status != CodecStatus::Ok) return inverted;
            const DecodeOutcome written = outputBlock(*pending, out);
            if (written.status != CodecStatus::Ok) return written;
            pending = nullptr;
        }
        if (decoded.status != CodecStatus::Ok) return decoded;
        uint32_t* const links = work.storage.get();
        // The last block has nothing to overlap with.
        const bool aside = overlap && !current.last;
        inversion.start([&inverted, &current, links] { inverted = invertBlock(current, links); },
                        aside);
        if (aside) {
            pending = &current;
            continue;
        }
        inversion.wait();
        if (inverted.status != CodecStatus::Ok) return inverted;
        const DecodeOutcome written = outputBlock(current, out);
        if (written.status != CodecStatus::Ok || current.last) return written;
    }
}

DecodeOutcome decodeWithOutcome(BlockDecoderWork& work, ByteSource& input, OutputArea& out,
                                CodecCallback blockCallback) {
    BitStreamState& bits = work.coding.coder.bits;
    openBitReader(bits, input);
    DecodeOutcome outcome = decodeStream(work, out, blockCallback);
    closeBitStream(bits);
    return outcome;
}

}  // namespace

BlockDecoder::BlockDecoder(unsigned threads) : threads_(threads < 2 ? 1 : 2) {}
BlockDecoder::~BlockDecoder() = default;

size_t BlockDecoder::storageBytes(unsigned threads) {
    return (threads < 2 ? 1 : 2) * (size_t(kMaxBlockSize) + kColumnSlack) +
           size_t(kMaxBlockSize) * sizeof(uint32_t);
}

BlockDecoderWork* BlockDecoder::work() {
    if (!work_) work_.reset(new (std::nothrow) BlockDecoderWork);
    if (work_) work_->threads = threads_;
    return work_.get();
}

namespace {

CodecResult resultOf(const DecodeOutcome& outcome, size_t size) {
    return CodecResult{outcome.status, size, outcome.message, outcome.line};
}

}  // namespace

CodecResult BlockDecoder::decode(ByteSource& input, uint8_t* output, size_t capacity,
                                 CodecCallback blockCallback) {
    BlockDecoderWork* work = this->work();
    if (!work) {
        return resultOf(fault(CodecStatus::OutOfMemory, "uncompress: out of memory", __LINE__), 0);
    }
    OutputArea out(output, capacity);
    const DecodeOutcome outcome = decodeWithOutcome(*work, input, out, blockCallback);
    return resultOf(outcome, out.size());
}

CodecResult BlockDecoder::decodeTo(ByteSource& input, ByteSink& sink, size_t capacity,
                                   CodecCallback blockCallback) {
    BlockDecoderWork* work = this->work();
    if (!work || !work->reserveWindow()) {
        return resultOf(fault(CodecStatus::OutOfMemory, "uncompress: out of memory", __LINE__), 0);
    }
    OutputArea out(sink, work->window.get(), kSinkWindowSize, capacity);
    DecodeOutcome outcome = decodeWithOutcome(*work, input, out, blockCallback);
    if (outcome.status == CodecStatus::Ok) out.drain();
    if (out.refused()) outcome = fault(CodecStatus::WriteFailed, "Decoded data refused", __LINE__);
    return resultOf(outcome, out.size());
}

CodecResult decodeBlockStream(ByteSource& input, uint8_t* output, size_t capacity,
                              CodecCallback blockCallback) {
    BlockDecoder decoder;
    return decoder.decode(input, output, capacity, blockCallback);
}

CodecResult decodeBlockStreamTo(ByteSource& input, ByteSink& sink, size_t capacity,
                                CodecCallback blockCallback) {
    BlockDecoder decoder;
    return decoder.decodeTo(input, sink, capacity, blockCallback);
}
