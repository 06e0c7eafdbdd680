// The decoder against damaged input: it never writes past its bound, never
// hangs, tells what went wrong, and uncompressStream reports it fatally.
#include <gtest/gtest.h>


#include "codecs/block_codec.h"
#include "codecs/block_format.h"
#include "codecs/block_randomise.h"
#include "tests/codecs/block_test_support.h"
#include "tests/codecs/byte_test_doubles.h"

namespace {

using namespace blocktest;
using blockformat::kRun1;
using blockformat::kRun2;

// Two small blocks, so a cut can fall into either.
Bytes twoBlockStream() {
    return craftStream({referenceBlock("first block,", false), referenceBlock("second*", true)});
}

TEST(BlockDecodeSafety, EveryTruncationIsReportedAsTruncated) {
    for (const Bytes& stream : {readGolden("text.block"), twoBlockStream()}) {
        ASSERT_EQ(decode(stream, 10000).status, CodecStatus::Ok);
        for (size_t length = 0; length < stream.size(); ++length) {
            const Decoded decoded = decode(stream.substr(0, length), 10000);
            EXPECT_EQ(decoded.status, CodecStatus::Truncated) << length;
            EXPECT_TRUE(decoded.guardIntact) << length;
        }
    }
}

// Through small windows too, and from a source that fails where it ends:
// the whole stream decodes (the failure lies past the last byte it needs),
// every cut one does not.
TEST(BlockDecodeSafety, CutsThroughAnyWindowsAreTruncatedOrReadFailed) {
    for (const Bytes& stream : {readGolden("text.block"), twoBlockStream()}) {
        for (size_t windowSize : {1, 3, 7, 8, 9, 64}) {
            for (bool failsAtEnd : {false, true}) {
                std::vector<uint8_t> area(10000);
                for (size_t length = 0; length <= stream.size(); ++length) {
                    WindowedSource in(stream.substr(0, length), windowSize, failsAtEnd);
                    const CodecResult result =
                        decodeBlockStream(in, area.data(), area.size(), nullptr);
                    const CodecStatus expected = length == stream.size() ? CodecStatus::Ok
                                                 : failsAtEnd            ? CodecStatus::ReadFailed
                                                                         : CodecStatus::Truncated;
                    EXPECT_EQ(result.status, expected)
                        << "window " << windowSize << " length " << length;
                }
            }
        }
    }
}

TEST(BlockDecodeSafety, FlippedBitsNeverPassUnnoticedOrOverflow) {
    const Bytes original = readGolden("text.bin");
    const Bytes stream = readGolden("text.block");
    int unnoticed = 0;
    for (size_t bit = 0; bit < stream.size() * 8; ++bit) {
        Bytes damaged = stream;
        damaged[bit / 8] = char(damaged[bit / 8] ^ (0x80 >> (bit % 8)));
        const Decoded decoded = decode(damaged, original.size());
        EXPECT_TRUE(decoded.guardIntact) << bit;
        if (decoded.status == CodecStatus::Ok && decoded.data != original) ++unnoticed;
    }
    // Without a checksum a flip may in principle decode to other valid data;
    // this stream has no such bit (flips of the final padding bits decode
    // to the original and are fine).
    EXPECT_EQ(unnoticed, 0);
}

TEST(BlockDecodeSafety, RandomStreamsFailCleanly) {
    for (uint32_t seed = 0; seed < 400; ++seed) {
        const Bytes body = randomBytes(seed * 7 % 3000, seed);
        // Half of them behind a valid signature, so the coder gets to work.
        const Bytes stream = seed % 2 ? "ResJ" + body : body;
        const Decoded decoded = decode(stream, 1 << 16);
        EXPECT_NE(decoded.status, CodecStatus::Ok) << seed;
        EXPECT_TRUE(decoded.guardIntact) << seed;
    }
}

// Runs of k = 1..7 zeros as the format spells them.
const std::vector<std::vector<unsigned>> kZeroRunDigits = {
    {kRun1},        {kRun2},        {kRun1, kRun1},        {kRun1, kRun2},
    {kRun2, kRun1}, {kRun2, kRun2}, {kRun1, kRun1, kRun1},
};

// "ab" repeated j times and the end marker sort into the last column
// b^j * a^j, origin j: move-to-front values 98, zeros, 43, 98, zeros.
CraftedBlock abBlock(const std::vector<unsigned>& zeroRun, uint32_t j) {
    CraftedBlock block{j, true, {98}};
    block.symbols.insert(block.symbols.end(), zeroRun.begin(), zeroRun.end());
    block.symbols.insert(block.symbols.end(), {43, 98});
    block.symbols.insert(block.symbols.end(), zeroRun.begin(), zeroRun.end());
    return block;
}

TEST(BlockZeroRuns, DigitsDecodeAndEncodeAsTheFormatSpellsThem) {
    for (size_t k = 1; k <= kZeroRunDigits.size(); ++k) {
        SCOPED_TRACE(k);
        const Bytes data = periodic("ab", 2 * (k + 1));
        const Bytes stream = craftStream({abBlock(kZeroRunDigits[k - 1], uint32_t(k + 1))});
        const Decoded decoded = decode(stream, 100);
        EXPECT_EQ(decoded.status, CodecStatus::Ok);
        EXPECT_EQ(decoded.data, data);
        EXPECT_EQ(compress(data), stream);
    }
}

struct DamageCase {
    const char* name;
    Bytes stream;
    size_t capacity;
    CodecStatus status;
    const char* message;
};

std::vector<DamageCase> damageCases() {
    const Bytes text = readGolden("text.bin");
    const Bytes textStream = readGolden("text.block");
    CraftedBlock outsideOrigin = referenceBlock("abc*", true);
    outsideOrigin.origin = 4;
    Bytes overrun = compress(runFree(100000, 1));
    overrun.replace(0, 4, "ResB");
    return {
        {"truncated", textStream.substr(0, 100), text.size(), CodecStatus::Truncated,
         "Compressed stream EOF"},
        {"block longer than its signature allows", overrun, 200000, CodecStatus::Corrupt,
         "Block overrun during decompression"},
        {"last block without the end marker", craftStream({referenceBlock("ab", true)}), 100,
         CodecStatus::Corrupt, "Unblock error"},
        {"run of four without its count", craftStream({referenceBlock("xAAAA*", true)}), 100,
         CodecStatus::Corrupt, "Unblock error"},
        {"origin outside the block", craftStream({outsideOrigin}), 100, CodecStatus::Corrupt,
         "Bad block origin"},
        {"empty block", craftStream({CraftedBlock{0, true, {}}}), 100, CodecStatus::Corrupt,
         "Bad block origin"},
        {"content longer than the area", textStream, text.size() - 1, CodecStatus::OutputFull,
         "Decompressed data longer than its destination"},
        {"any content for an empty area", readGolden("a.block"), 0, CodecStatus::OutputFull,
         "Decompressed data longer than its destination"},
    };
}

TEST(BlockDecodeDamage, StatusAndFatalReport) {
    for (const DamageCase& c : damageCases()) {
        SCOPED_TRACE(c.name);
        const Decoded decoded = decode(c.stream, c.capacity);
        EXPECT_EQ(decoded.status, c.status);
        EXPECT_TRUE(decoded.guardIntact);

        ScopedThrowingHook hook;
        std::vector<uint8_t> area(c.capacity + 1);
        StringSource in(c.stream);
        try {
            uncompressStream(in, area.data(), c.capacity, nullptr);
            ADD_FAILURE() << "no report";
        } catch (const RunTimeErrorReport& report) {
            const std::string text = report.what();
            EXPECT_EQ(text.rfind("File compress, line ", 0), 0u) << text;
            EXPECT_NE(text.find(std::string("\n") + c.message + "\n"), std::string::npos) << text;
        }
        // Nothing of the failed call is left behind.
        EXPECT_EQ(decode(readGolden("x300.block"), 300).data, readGolden("x300.bin"));
    }
}

TEST(BlockDecodeDamage, LastBlockOfOnlyTheEndMarkerGivesNoOutput) {
    const Decoded decoded = decode(craftStream({referenceBlock("*", true)}), 0);
    EXPECT_EQ(decoded.status, CodecStatus::Ok);
    EXPECT_TRUE(decoded.data.empty());
}

// A zero run of `length` as the format spells it: bijective base-2 digits,
// most significant first.
std::vector<unsigned> zeroRunOf(uint32_t length) {
    std::vector<unsigned> digits;
    while (length > 0) {
        const uint32_t digit = length % 2 ? 1 : 2;
        digits.insert(digits.begin(), digit == 1 ? kRun1 : kRun2);
        length = (length - digit) / 2;
    }
    return digits;
}

// Run-length undoing by the book, for an expected result.
Bytes undoRuns(const Bytes& block) {
    Bytes out;
    int runLength = 0;
    for (size_t i = 0; i < block.size(); ++i) {
        runLength = i > 0 && block[i] == block[i - 1] && runLength < 4 ? runLength + 1 : 1;
        out += block[i];
        if (runLength == 4 && i + 1 < block.size()) {
            const char byte = block[i];
            out.append(uint8_t(block[++i]), byte);
            runLength = 0;
        }
    }
    return out;
}

// A large block whose last column is already sorted ("*" then 70,000 "a"):
// every row links to itself, so the block is no single cycle, as the
// compressor's blocks always are. Large blocks are walked in several chains;
// this one must decode as a plain walk from the origin does: the origin's
// byte over and over (de-randomised), the end marker last.
TEST(BlockDecodeDamage, BlockOfSelfLinkedRowsDecodesAsAPlainWalk) {
    CraftedBlock block{0, true, {42, 97}};
    const std::vector<unsigned> zeros = zeroRunOf(69999);
    block.symbols.insert(block.symbols.end(), zeros.begin(), zeros.end());
    Bytes walked(70000, '*');
    for (RandomisationPositions p; p.current() < walked.size(); p.advance())
        --walked[p.current()];
    const Bytes expected = undoRuns(walked);
    const Decoded decoded = decode(craftStream({block}), expected.size());
    EXPECT_EQ(decoded.status, CodecStatus::Ok);
    EXPECT_TRUE(decoded.guardIntact);
    EXPECT_EQ(decoded.data, expected);

    // From row 1 on it is "a" throughout, and the end marker is missing.
    block.origin = 1;
    EXPECT_EQ(decode(craftStream({block}), expected.size()).status, CodecStatus::Corrupt);
}

}  // namespace
