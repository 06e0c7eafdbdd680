// Block codec compressor: run-length pre-coding into blocks, randomisation,
// the block sort, move-to-front coding and the arithmetic coder.

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
#include "codecs/block_sort.h"
#include "codecs/block_symbols.h"
#include "codecs/side_task.h"
#include "foundation/work_area.h"

using namespace blockformat;

namespace {

constexpr uint32_t kBlockLimit = kCompressorBlockSizeDigit * kBlockSizeUnit;
// A block ends after the pair that takes its last index to this or beyond, so
// it never holds more than kBlockLimit - 15 bytes.
constexpr uint32_t kBlockFullIndex = kBlockLimit - 20;
constexpr uint32_t kPairsBetweenProgressCalls = 32768;

}  // namespace

// One block on its way through the compressor: the keys (the block lives in
// their top bytes), the sorted order, and what the sort found. Keys and order
// share one work area, so that more of them lies in whole huge pages.
struct CompressorBlock {
    WorkArea<uint32_t> storage;
    uint32_t* keys = nullptr;   // kBlockLimit + kKeyOverhang entries
    uint32_t* order = nullptr;  // kBlockLimit entries
    uint32_t n = 0;
    bool last = false;
    uint32_t origin = 0;
    bool outOfMemory = false;

    bool allocate() {
        if (!storage) {
            storage = makeWorkArea<uint32_t>(kBlockLimit + kKeyOverhang + kBlockLimit);
            if (!storage) return false;
            keys = storage.get();
            order = keys + kBlockLimit + kKeyOverhang;
        }
        return true;
    }
};

// Everything a compressor keeps between streams: the coder and its models,
// one block (two when the next block is sorted while this one is coded) and
// the bucket table, which only the sort uses.
struct BlockCompressorWork {
    BlockCoderState coding;
    CompressorBlock blocks[2];
    std::unique_ptr<uint32_t[]> buckets;

    bool allocate(unsigned blockCount) {
        if (!buckets) buckets.reset(new (std::nothrow) uint32_t[kBucketTableSize]);
        if (!buckets) return false;
        for (unsigned i = 0; i < blockCount; ++i) {
            if (!blocks[i].allocate()) return false;
        }
        return true;
    }
};

namespace {

// ---- input -----------------------------------------------------------------

// One byte and the number of times it occurs in a row (1..255).
struct RunPair {
    uint8_t byte;
    uint32_t run;
};

// Reads the input a chunk at a time. A source that failed before the call
// is not read at all; one that fails on the way ends the input, and what was
// read before is still compressed.
class RunPairReader {
public:
    explicit RunPairReader(ByteSource& input) : input_(input), failed_(input.Failed()) {}

    bool failed() const { return failed_; }

    // Returns false at the end of the input (or once it has failed).
    bool readRunPair(RunPair& pair) {
        if (failed_) return false;
        if (next_ == end_ && !refill()) return false;
        const uint8_t byte = *next_++;
        pair.byte = byte;
        pair.run = 1;
        for (;;) {
            while (next_ != end_ && pair.run < kMaxRunLength && *next_ == byte) {
                ++next_;
                ++pair.run;
            }
            // The run ends inside the chunk, or at its limit, or with the input.
            if (next_ != end_ || pair.run == kMaxRunLength || !refill()) return true;
        }
    }

private:
    // Returns false at the end of the input or when it fails.
    bool refill() {
        const size_t got = input_.Read(chunk_, sizeof chunk_);
        // The bytes read before a failure are coded first.
        if (got == 0 && input_.Failed()) failed_ = true;
        next_ = chunk_;
        end_ = chunk_ + got;
        return got > 0;
    }

    static constexpr size_t kChunkSize = 4096;

    ByteSource& input_;
    bool failed_;
    uint8_t chunk_[kChunkSize];
    const uint8_t* next_ = chunk_;
    const uint8_t* end_ = chunk_;
};

// Fills keys[0, n) (bytes in the top 8 bits) with run-length pre-coded pairs
// until the block is full or the input ends. Returns true for the last block,
// which ends with the end marker.
bool collectBlock(RunPairReader& reader, uint32_t* keys, uint32_t& n,
                  CodecCallback progressCallback) {
    n = 0;
    uint32_t pairsToProgressCall = 0;
    for (;;) {
        if (progressCallback) {
            if (pairsToProgressCall == 0) {
                progressCallback();
                pairsToProgressCall = kPairsBetweenProgressCalls;
            } else {
                --pairsToProgressCall;
            }
        }
        RunPair pair{0, 0};
        if (!reader.readRunPair(pair)) {
            keys[n++] = uint32_t(kEndMarker) << 24;
            return true;
        }
        const uint32_t key = uint32_t(pair.byte) << 24;
        const uint32_t copies = pair.run < kRunThreshold ? pair.run : kRunThreshold;
        for (uint32_t i = 0; i < copies; ++i)
            keys[n++] = key;
        if (pair.run >= kRunThreshold) keys[n++] = (pair.run - kRunThreshold) << 24;
        if (n - 1 >= kBlockFullIndex) return false;
    }
}

// ---- move-to-front ---------------------------------------------------------

// Header, then the last column move-to-front coded (the sort left it in the
// top bytes of the order entries).
void encodeBlock(BlockCoderState& state, const uint32_t* order, uint32_t n, uint32_t origin,
                 bool last) {
    emitBlockHeader(state, origin, last);
    MoveToFrontList list;
    uint32_t zeroRun = 0;
    for (uint32_t r = 0; r < n; ++r) {
        const uint8_t byte = lastByteOfRotation(order[r]);
        if (list.front() == byte) {
            ++zeroRun;
            continue;
        }
        const unsigned j = list.positionOf(byte);
        list.moveToFront(j);
        if (zeroRun > 0) {
            emitZeroRun(state, zeroRun);
            zeroRun = 0;
        }
        emitMtfValue(state, j);
    }
    if (zeroRun > 0) emitZeroRun(state, zeroRun);
    emitMtfValue(state, kEndOfBlock);
}

// Randomises and sorts a collected block; its own scratch (at most a few MB)
// may not be had.
void sortBlock(CompressorBlock& block, uint32_t* buckets) {
    randomiseBlock(block.keys, block.n);
    block.outOfMemory = false;
    try {
        block.origin = sortRotations(block.keys, block.order, buckets, block.n);
    } catch (const std::bad_alloc&) {
        block.outOfMemory = true;
    }
}

CodecResult failure(CodecStatus status, const char* fault, int line) {
    return CodecResult{status, 0, fault, line};
}

}  // namespace

BlockCompressor::BlockCompressor(unsigned threads) : threads_(threads < 2 ? 1 : 2) {}
BlockCompressor::~BlockCompressor() = default;

size_t BlockCompressor::storageBytes(unsigned threads) {
    const size_t block = (size_t(kBlockLimit) + kKeyOverhang + kBlockLimit) * sizeof(uint32_t);
    return (threads < 2 ? 1 : 2) * block + kBucketTableSize * sizeof(uint32_t);
}

CodecResult BlockCompressor::compress(ByteSource& input, ByteSink& output,
                                      CodecCallback progressCallback) {
    if (!work_) work_.reset(new (std::nothrow) BlockCompressorWork);
    if (!work_ || !work_->allocate(threads_)) {
        return failure(CodecStatus::OutOfMemory, "compress: out of memory", __LINE__);
    }
    BlockCompressorWork& work = *work_;
    ArithmeticCoderState& coder = work.coding.coder;

    openBitWriter(coder.bits, output);
    for (uint8_t byte : {'R', 'e', 's', char('A' + kCompressorBlockSizeDigit)})
        writeBitByte(coder.bits, byte);
    initHeaderModel(work.coding.models);
    startEncoding(coder);

    // With two threads block k + 1 is collected and sorted while block k is
    // coded; the coder still meets the blocks in order, so the stream is the
    // same. The input and the progress callback stay on the caller's thread.
    RunPairReader reader(input);
    const bool overlap = threads_ > 1;
    SideTask sorting;
    CompressorBlock* sorted = nullptr;  // sorted (or being sorted), not coded yet
    bool collectedLast = false;
    bool outOfMemory = false;
    unsigned next = 0;
    for (;;) {
        CompressorBlock* collected = nullptr;
        if (!collectedLast && !coder.bits.outputFailed) {
            collected = &work.blocks[next];
            next = overlap ? 1 - next : 0;
            collected->last =
                collectBlock(reader, collected->keys, collected->n, progressCallback);
            collectedLast = collected->last;
        }
        sorting.wait();
        if (sorted && sorted->outOfMemory) {
            outOfMemory = true;
            break;
        }
        if (collected) {
            uint32_t* const buckets = work.buckets.get();
            // A single block has nothing to overlap with.
            const bool aside = overlap && (sorted || !collected->last);
            sorting.start([collected, buckets] { sortBlock(*collected, buckets); }, aside);
        }
        if (sorted) {
            encodeBlock(work.coding, sorted->order, sorted->n, sorted->origin,
                        sorted->last);
        }
        if (!collected) break;
        sorted = collected;
        if (!overlap) {
            // The block was sorted on this thread: code it right away.
            sorting.wait();
            if (sorted->outOfMemory) {
                outOfMemory = true;
                break;
            }
            encodeBlock(work.coding, sorted->order, sorted->n, sorted->origin,
                        sorted->last);
            sorted = nullptr;
        }
    }
    sorting.wait();
    if (outOfMemory) {
        closeBitStream(coder.bits);
        return failure(CodecStatus::OutOfMemory, "compress: out of memory", __LINE__);
    }
    const bool written = finishEncoding(coder);
    const size_t streamSize = coder.bits.bytesWritten;
    const bool inputFailed = reader.failed();
    if (!written) return failure(CodecStatus::WriteFailed, "EOF!", __LINE__);
    if (inputFailed)
        return CodecResult{CodecStatus::ReadFailed, streamSize, "streamBad!", __LINE__};
    return CodecResult{CodecStatus::Ok, streamSize, nullptr, 0};
}

CodecResult blockCompress(ByteSource& input, ByteSink& output,
                          CodecCallback progressCallback) {
    BlockCompressor compressor;
    return compressor.compress(input, output, progressCallback);
}
