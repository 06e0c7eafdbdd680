// Compress, then decode: byte-exact round trips over the shapes that matter to
// the block structure, signatures, and streams lying back to back.
#include <gtest/gtest.h>


#include "codecs/block_codec.h"
#include "tests/codecs/block_test_support.h"
#include "tests/codecs/byte_test_doubles.h"

namespace {

using namespace blocktest;

int blockCalls = 0;
void countBlock() {
    ++blockCalls;
}

int progressCalls = 0;
void countProgress() {
    ++progressCalls;
}

constexpr size_t kBlockFill = 899981;  // bytes after which a run-free block is full

struct RoundTripCase {
    const char* name;
    Bytes input;
    int blocks;  // blocks the stream must hold (0: not checked)
};

std::vector<RoundTripCase> roundTripCases() {
    Bytes fullBlockOfOneByte;  // 255-byte runs of 251 pre-code to one constant block
    for (size_t i = 0; i < 180000; ++i)
        fullBlockOfOneByte += Bytes(255, '\xFB');
    return {
        {"empty", "", 1},
        {"one byte", "\x80", 1},
        {"block of 1,024 bytes", runFree(1023, 1), 1},
        {"block of 1,025 bytes", runFree(1024, 2), 1},
        {"block of 8,001 bytes", runFree(8000, 3), 1},
        {"block of 8,002 bytes", runFree(8001, 4), 1},
        {"input ends exactly when a block fills", runFree(kBlockFill, 5), 2},
        {"one byte past a full block", runFree(kBlockFill + 1, 6), 2},
        {"more than two blocks", runFree(2 * kBlockFill + 10, 7), 3},
        {"random data", randomBytes(300000, 8), 1},
        {"text", textLike(1500000, 9), 0},
        {"period of 1,000 random bytes", periodic(randomBytes(1000, 10), 900000), 0},
        {"period of two bytes", periodic("ab", 900000), 0},
        {"constant block", fullBlockOfOneByte, 0},
        {"four-letter alphabet",
         [] {
             Bytes acgt = randomBytes(900000, 11);
             for (char& c : acgt)
                 c = "ACGT"[uint8_t(c) % 4];
             return acgt;
         }(),
         0},
    };
}

TEST(BlockRoundTrip, ShapesOfInput) {
    for (const RoundTripCase& c : roundTripCases()) {
        SCOPED_TRACE(c.name);
        const Bytes stream = compress(c.input);
        blockCalls = 0;
        const Decoded decoded = decode(stream, c.input.size(), countBlock);
        EXPECT_EQ(decoded.status, CodecStatus::Ok);
        EXPECT_TRUE(decoded.data == c.input);
        EXPECT_TRUE(decoded.guardIntact);
        if (c.blocks > 0) {
            EXPECT_EQ(blockCalls, c.blocks);
        }
    }
}

TEST(BlockRoundTrip, RunsOfOneTo300EqualBytes) {
    for (size_t length = 1; length <= 300; ++length) {
        // A run between other bytes, and one of the byte that counts use most.
        const Bytes input = "<" + Bytes(length, 'A') + ">" + Bytes(length, '\xFB');
        const Bytes stream = compress(input);
        const Decoded decoded = decode(stream, input.size());
        ASSERT_EQ(decoded.status, CodecStatus::Ok) << length;
        ASSERT_EQ(decoded.data, input) << length;
    }
}

TEST(BlockRoundTrip, ProgressIsCalledEvery32769Pairs) {
    for (size_t size : {0u, 32768u, 32769u, 100000u}) {
        Bytes input = textLike(size, 12);
        for (size_t i = 0; i < size; ++i)
            input[i] = char(i % 251);  // one pair per byte
        progressCalls = 0;
        compress(input, countProgress);
        const size_t pairs = size + 1;  // and the end marker
        EXPECT_EQ(size_t(progressCalls), 1 + (pairs - 1) / 32769) << size;
    }
}

TEST(BlockSignature, BothFormsAndEveryBlockSizeAreAccepted) {
    const Bytes input = textLike(20000, 13);
    const Bytes body = compress(input).substr(4);
    for (const char* signature : {"ResB", "ResE", "ResJ", "BZ01", "BZ05", "BZ09"}) {
        const Decoded decoded = decode(signature + body, input.size());
        EXPECT_EQ(decoded.status, CodecStatus::Ok) << signature;
        EXPECT_EQ(decoded.data, input) << signature;
    }
}

TEST(BlockSignature, BlockSizeLimitsTheBlock) {
    // A run-free input of k bytes makes one block of k + 1 bytes.
    const Bytes fits = runFree(99999, 14);
    const Bytes overruns = runFree(100000, 15);
    for (const char* signature : {"ResB", "BZ01"}) {
        const Decoded ok = decode(signature + compress(fits).substr(4), fits.size());
        EXPECT_EQ(ok.status, CodecStatus::Ok) << signature;
        EXPECT_EQ(ok.data, fits) << signature;
        const Decoded bad = decode(signature + compress(overruns).substr(4), overruns.size());
        EXPECT_EQ(bad.status, CodecStatus::Corrupt) << signature;
        EXPECT_TRUE(bad.guardIntact);
    }
}

TEST(BlockSignature, OthersAreRejectedWithoutOutputOrReport) {
    const Bytes body = compress("some data").substr(4);
    ScopedThrowingHook hook;  // a report would throw and fail the test
    for (const char* signature : {"ResA", "ResK", "BZ00", "BZ0:", "BZh9", "resJ", "\0\0\0\0"}) {
        const Bytes stream = Bytes(signature, 4) + body;
        const Decoded decoded = decode(stream, 100);
        EXPECT_EQ(decoded.status, CodecStatus::Corrupt) << signature;
        EXPECT_TRUE(decoded.data.empty());
        EXPECT_TRUE(decoded.guardIntact);

        std::vector<uint8_t> area(100, 0x5A);
        StringSource in(stream);
        EXPECT_EQ(uncompressStream(in, area.data(), area.size(), nullptr), 0u);
        EXPECT_EQ(std::count(area.begin(), area.end(), 0x5A), 100);
    }
}

TEST(BlockBackToBack, DecodingStopsRightAfterTheStream) {
    const Bytes first = textLike(50000, 16);
    const Bytes second = randomBytes(3000, 17);
    const Bytes firstStream = compress(first);
    const Bytes secondStream = compress(second);
    StringSource in(firstStream + secondStream + "tail");

    std::vector<uint8_t> area(first.size() + second.size());
    CodecResult result = decodeBlockStream(in, area.data(), area.size(), nullptr);
    EXPECT_EQ(result.status, CodecStatus::Ok);
    EXPECT_EQ(Bytes(area.begin(), area.begin() + result.size), first);
    EXPECT_EQ(in.Consumed(), firstStream.size());

    EXPECT_EQ(uncompressStream(in, area.data(), area.size(), nullptr), second.size());
    EXPECT_EQ(Bytes(area.begin(), area.begin() + second.size()), second);
    EXPECT_EQ(in.Consumed(), firstStream.size() + secondStream.size());

    std::string rest(8, '\0');
    rest.resize(in.Read(&rest[0], rest.size()));
    EXPECT_EQ(rest, "tail");
}

// The decoder takes the bytes a window holds several at a time; whatever the
// windows, it must leave the source right after each stream.
TEST(BlockBackToBack, EveryWindowShapeLeavesTheSourceRightAfterEachStream) {
    const std::vector<Bytes> inputs = {textLike(50000, 18), "", randomBytes(3000, 19), "a"};
    Bytes streams;
    std::vector<size_t> ends;
    for (const Bytes& input : inputs) {
        streams += compress(input);
        ends.push_back(streams.size());
    }
    for (size_t windowSize : {1, 3, 7, 8, 9, 4096, 1 << 20}) {
        WindowedSource in(streams + "tail", windowSize);
        std::vector<uint8_t> area(50000);
        for (size_t i = 0; i < inputs.size(); ++i) {
            const CodecResult result = decodeBlockStream(in, area.data(), area.size(), nullptr);
            ASSERT_EQ(result.status, CodecStatus::Ok) << windowSize << " " << i;
            EXPECT_EQ(Bytes(area.begin(), area.begin() + result.size), inputs[i])
                << windowSize << " " << i;
            EXPECT_EQ(in.Consumed(), ends[i]) << windowSize << " " << i;
        }
        EXPECT_EQ(readRest(in), "tail") << windowSize;
    }
}

}  // namespace
