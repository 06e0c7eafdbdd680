// Every status the decoders and compressors of both codecs report, each
// reached by a stream or an output made for it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/block_codec.h"
#include "codecs/block_format.h"
#include "codecs/lz_codec.h"
#include "foundation/byte_stream.h"
#include "tests/codecs/allocation_limit.h"
#include "tests/codecs/block_test_support.h"
#include "tests/codecs/byte_test_doubles.h"

namespace {

using namespace blocktest;

enum class Codec { Block, Lz };
enum class Through { Area, Sink };

constexpr size_t kNoLimit = ~size_t{0};

struct DecodeCase {
    const char* name;
    Codec codec;
    Bytes stream;
    size_t capacity;
    CodecStatus status;
    Through through = Through::Area;
    size_t throwAfter = kNoLimit;    // the input fails after this many bytes
    size_t sinkRoom = kNoLimit;      // the sink refuses bytes beyond this
    size_t largestAlloc = kNoLimit;  // allocations above this fail
    const char* fault = nullptr;     // the block decoder's words for it
};

// Block streams go through a BlockDecoder of `threads` threads.
CodecResult runDecode(const DecodeCase& c, std::vector<uint8_t>& area, unsigned threads = 1) {
    area.assign(c.capacity + 1, 0);
    FailingSource failing(c.stream, c.throwAfter);
    StringSource plain(c.stream);
    ByteSource& input = c.throwAfter == kNoLimit ? static_cast<ByteSource&>(plain) : failing;
    LimitedSink sink(c.sinkRoom);
    CodecResult result;
    {
        alloclimit::ScopedLimit limit(c.largestAlloc);
        if (c.codec == Codec::Block) {
            BlockDecoder decoder(threads);
            result = c.through == Through::Area
                         ? decoder.decode(input, area.data(), c.capacity, nullptr)
                         : decoder.decodeTo(input, sink, c.capacity, nullptr);
        } else {
            result = c.through == Through::Area
                         ? lzUncompress(input, area.data(), c.capacity, nullptr)
                         : lzUncompressTo(input, sink, c.capacity, nullptr);
        }
    }
    return result;
}

std::vector<DecodeCase> decodeCases() {
    const Bytes text = readGolden("text.bin");
    const Bytes block = readGolden("text.block");
    const Bytes lz = readGolden("text.lz");
    // More than a "ResB" block may hold, behind that signature.
    Bytes overrun = compress(runFree(150000, 9));
    overrun[3] = 'B';
    // Three blocks: a fault in a later block comes after earlier blocks' output.
    const Bytes long_ = textLike(2'000'000, 12);
    const Bytes blocks = compress(long_);
    const CraftedBlock good = referenceBlock("a good first block", false);
    return {
        {"block: whole stream", Codec::Block, block, text.size(), CodecStatus::Ok},
        {"block: whole stream to a sink", Codec::Block, block, text.size(), CodecStatus::Ok,
         Through::Sink},
        {"block: no signature", Codec::Block, "PK\3\4" + block, text.size(), CodecStatus::Corrupt},
        {"block: origin outside the block", Codec::Block,
         craftStream({CraftedBlock{40, true, referenceBlock("bad origin*", true).symbols}}), 100,
         CodecStatus::Corrupt, Through::Area, kNoLimit, kNoLimit, kNoLimit, "Bad block origin"},
        {"block: last block without the end marker", Codec::Block,
         craftStream({referenceBlock("no marker", true)}), 100, CodecStatus::Corrupt, Through::Area,
         kNoLimit, kNoLimit, kNoLimit, "Unblock error"},
        {"block: block longer than the signature allows", Codec::Block, overrun, 200000,
         CodecStatus::Corrupt, Through::Area, kNoLimit, kNoLimit, kNoLimit,
         "Block overrun during decompression"},
        {"block: cut in the middle", Codec::Block, block.substr(0, block.size() / 2), text.size(),
         CodecStatus::Truncated, Through::Area, kNoLimit, kNoLimit, kNoLimit,
         "Compressed stream EOF"},
        {"block: input fails in the middle", Codec::Block, block, text.size(),
         CodecStatus::ReadFailed, Through::Area, block.size() / 2, kNoLimit, kNoLimit,
         "Compressed stream EOF"},
        {"block: output too small", Codec::Block, block, 100, CodecStatus::OutputFull,
         Through::Area, kNoLimit, kNoLimit, kNoLimit,
         "Decompressed data longer than its destination"},
        {"block: sink refuses", Codec::Block, block, text.size(), CodecStatus::WriteFailed,
         Through::Sink, kNoLimit, 100},
        {"block: no storage", Codec::Block, block, text.size(), CodecStatus::OutOfMemory,
         Through::Area, kNoLimit, kNoLimit, 1 << 20, "uncompress: out of memory"},
        {"block: no window for the sink", Codec::Block, block, text.size(),
         CodecStatus::OutOfMemory, Through::Sink, kNoLimit, kNoLimit, 100000,
         "uncompress: out of memory"},

        {"block: three blocks", Codec::Block, blocks, long_.size(), CodecStatus::Ok},
        {"block: cut in the third block", Codec::Block, blocks.substr(0, blocks.size() * 9 / 10),
         long_.size(), CodecStatus::Truncated, Through::Area, kNoLimit, kNoLimit, kNoLimit,
         "Compressed stream EOF"},
        {"block: output full in the second block", Codec::Block, blocks, 1'200'000,
         CodecStatus::OutputFull, Through::Area, kNoLimit, kNoLimit, kNoLimit,
         "Decompressed data longer than its destination"},
        {"block: sink refuses in the second block", Codec::Block, blocks, long_.size(),
         CodecStatus::WriteFailed, Through::Sink, kNoLimit, 1'000'000},
        {"block: input fails in the second block", Codec::Block, blocks, long_.size(),
         CodecStatus::ReadFailed, Through::Area, blocks.size() / 2, kNoLimit, kNoLimit,
         "Compressed stream EOF"},
        {"block: second block's origin outside it", Codec::Block,
         craftStream({good, CraftedBlock{40, true, referenceBlock("bad origin*", true).symbols}}),
         100, CodecStatus::Corrupt, Through::Area, kNoLimit, kNoLimit, kNoLimit,
         "Bad block origin"},
        {"block: first block's origin outside it", Codec::Block,
         craftStream({CraftedBlock{40, false, good.symbols}, referenceBlock("fine*", true)}), 100,
         CodecStatus::Corrupt, Through::Area, kNoLimit, kNoLimit, kNoLimit, "Bad block origin"},
        // A zero run of 2^18 - 2 bytes, more than a "ResB" block holds.
        {"block: second block runs over", Codec::Block,
         craftStream({good, CraftedBlock{0, true, std::vector<unsigned>(17, blockformat::kRun2)}},
                     "ResB"),
         300000, CodecStatus::Corrupt, Through::Area, kNoLimit, kNoLimit, kNoLimit,
         "Block overrun during decompression"},

        {"lz: whole stream", Codec::Lz, lz, text.size(), CodecStatus::Ok},
        {"lz: whole stream to a sink", Codec::Lz, lz, text.size(), CodecStatus::Ok, Through::Sink},
        // A short match one byte back before any byte was decoded.
        {"lz: match before the start", Codec::Lz, Bytes("\0\0\xFF", 3), 100, CodecStatus::Corrupt},
        {"lz: cut in the middle", Codec::Lz, lz.substr(0, lz.size() / 2), text.size(),
         CodecStatus::Truncated},
        {"lz: input fails in the middle", Codec::Lz, lz, text.size(), CodecStatus::ReadFailed,
         Through::Area, lz.size() / 2},
        {"lz: output too small", Codec::Lz, lz, 100, CodecStatus::OutputFull},
        {"lz: sink refuses", Codec::Lz, lz, text.size(), CodecStatus::WriteFailed, Through::Sink,
         kNoLimit, 100},
        {"lz: no window for the sink", Codec::Lz, lz, text.size(), CodecStatus::OutOfMemory,
         Through::Sink, kNoLimit, kNoLimit, 100000},
    };
}

TEST(CodecStatus, EveryDecoderStatusIsReached) {
    const Bytes text = readGolden("text.bin");
    const Bytes streams[] = {readGolden("text.block"), readGolden("text.lz")};
    for (const DecodeCase& c : decodeCases()) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> area;
        const CodecResult result = runDecode(c, area);
        EXPECT_EQ(result.status, c.status);
        EXPECT_LE(result.size, c.capacity);
        if (c.status == CodecStatus::Ok) {
            EXPECT_EQ(result.size, c.capacity);
            EXPECT_EQ(result.fault, nullptr);
        }
        if (c.through == Through::Area) {
            // What was written is the start of the data, and nothing lies beyond it.
            EXPECT_EQ(area[c.capacity], 0);
            bool ofText = false;
            for (const Bytes& stream : streams)
                ofText = ofText || stream.compare(0, c.stream.size(), c.stream) == 0;
            if (ofText) {
                EXPECT_EQ(Bytes(reinterpret_cast<const char*>(area.data()), result.size),
                          text.substr(0, result.size));
            }
        }
        if (c.codec == Codec::Block && c.fault) {
            ASSERT_NE(result.fault, nullptr);
            EXPECT_STREQ(result.fault, c.fault);
            EXPECT_GT(result.faultLine, 0);
        }
        if (c.codec != Codec::Block) continue;
        // Two threads: the same status, fault and output, however far the
        // decoding got.
        std::vector<uint8_t> twoThreadArea;
        const CodecResult twoThreads = runDecode(c, twoThreadArea, 2);
        EXPECT_EQ(twoThreads.status, result.status);
        EXPECT_EQ(twoThreads.size, result.size);
        EXPECT_EQ(twoThreads.faultLine, result.faultLine);
        if (result.fault) {
            ASSERT_NE(twoThreads.fault, nullptr);
            EXPECT_STREQ(twoThreads.fault, result.fault);
        }
        EXPECT_EQ(twoThreadArea, area);
    }
}

struct CompressCase {
    const char* name;
    Codec codec;
    CodecStatus status;
    size_t outputRoom = kNoLimit;    // the output refuses bytes beyond this
    size_t throwAfter = kNoLimit;    // the input fails after this many bytes
    size_t largestAlloc = kNoLimit;  // allocations above this fail
};

TEST(CodecStatus, EveryCompressorStatusIsReached) {
    // Two blocks, so that a compressor of two threads sorts one while it codes
    // the other.
    const Bytes input = textLike(1'200'000, 4);
    const size_t streamSize = compress(input).size();
    const CompressCase cases[] = {
        {"block: whole input", Codec::Block, CodecStatus::Ok},
        {"block: output refuses", Codec::Block, CodecStatus::WriteFailed, 1000},
        {"block: input fails", Codec::Block, CodecStatus::ReadFailed, kNoLimit, 100000},
        {"block: input fails in the second block", Codec::Block, CodecStatus::ReadFailed, kNoLimit,
         1'100'000},
        {"block: output refuses in the second block", Codec::Block, CodecStatus::WriteFailed,
         streamSize * 9 / 10},
        {"block: no storage", Codec::Block, CodecStatus::OutOfMemory, kNoLimit, kNoLimit, 1 << 20},
        {"lz: whole input", Codec::Lz, CodecStatus::Ok},
        {"lz: output refuses", Codec::Lz, CodecStatus::WriteFailed, 1000},
        {"lz: input fails", Codec::Lz, CodecStatus::ReadFailed, kNoLimit, 100000},
        {"lz: no storage", Codec::Lz, CodecStatus::OutOfMemory, kNoLimit, kNoLimit, 1000},
    };
    for (const CompressCase& c : cases) {
        for (unsigned threads : {1u, 2u}) {
            if (c.codec != Codec::Block && threads > 1) continue;
            SCOPED_TRACE(std::string(c.name) + ", threads " + std::to_string(threads));
            FailingSource failing(input, c.throwAfter);
            StringSource plain(input);
            ByteSource& in = c.throwAfter == kNoLimit ? static_cast<ByteSource&>(plain) : failing;
            LimitedSink out(c.outputRoom);
            CodecResult result;
            {
                alloclimit::ScopedLimit limit(c.largestAlloc);
                BlockCompressor compressor(threads);
                result = c.codec == Codec::Block ? compressor.compress(in, out, nullptr)
                                                 : lzCompress(in, out, nullptr);
            }
            EXPECT_EQ(result.status, c.status);
            if (c.status == CodecStatus::Ok) {
                EXPECT_EQ(result.size, out.bytes.size());
            }
            if (c.status == CodecStatus::ReadFailed && c.codec == Codec::Block) {
                // The block stream is finished and holds what was read.
                std::vector<uint8_t> area(c.throwAfter);
                StringSource stream(out.bytes);
                const CodecResult decoded =
                    decodeBlockStream(stream, area.data(), area.size(), nullptr);
                EXPECT_EQ(decoded.status, CodecStatus::Ok);
                EXPECT_EQ(Bytes(reinterpret_cast<const char*>(area.data()), decoded.size),
                          input.substr(0, c.throwAfter));
            }
        }
    }
}

}  // namespace
