// Streams made by an independent implementation of the format: our compressor
// must write them byte for byte, and our decoder must read them back.
#include <gtest/gtest.h>


#include "codecs/block_codec.h"
#include "tests/codecs/block_test_support.h"
#include "tests/codecs/byte_test_doubles.h"

namespace {

using namespace blocktest;

class BlockGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(BlockGolden, CompressorWritesTheKnownStream) {
    const std::string name = GetParam();
    const Bytes input = readGolden(name + ".bin");
    const Bytes expected = readGolden(name + ".block");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(compress(input), expected);
}

TEST_P(BlockGolden, DecoderReadsTheKnownStream) {
    const std::string name = GetParam();
    const Bytes expected = readGolden(name + ".bin");
    const Bytes stream = readGolden(name + ".block");

    const Decoded decoded = decode(stream, expected.size());
    EXPECT_EQ(decoded.status, CodecStatus::Ok);
    EXPECT_EQ(decoded.data, expected);

    std::vector<uint8_t> area(expected.size() + 1);
    StringSource in(stream);
    EXPECT_EQ(uncompressStream(in, area.data(), area.size(), nullptr), expected.size());
    EXPECT_EQ(Bytes(area.begin(), area.begin() + expected.size()), expected);
}

INSTANTIATE_TEST_SUITE_P(Vectors, BlockGolden,
                         ::testing::Values("empty", "a", "abcabc", "x300", "text", "random1025"));

TEST(BlockGoldenShape, SingleBlockStreamsStartWithTheLastBlockHeader) {
    // The last block's header begins with byte FF, which the coder turns into 0111 1111.
    for (const char* name : {"empty", "a", "x300", "text"}) {
        const Bytes stream = readGolden(std::string(name) + ".block");
        ASSERT_GE(stream.size(), 5u);
        EXPECT_EQ(stream.substr(0, 5), Bytes("ResJ\x7F")) << name;
    }
}

}  // namespace
