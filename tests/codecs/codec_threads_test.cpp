// Both codecs keep their working state in objects of the caller's, so
// streams coded at the same time on different threads come out exactly as
// when they are coded one after the other.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "codecs/block_codec.h"
#include "codecs/lz_codec.h"
#include "foundation/byte_stream.h"
#include "tests/codecs/block_test_support.h"
#include "tests/codecs/byte_test_doubles.h"

namespace {

using namespace blocktest;

// What one worker produces for its input: both codecs' streams and what each
// decodes back to.
struct Coded {
    Bytes block;
    Bytes blockDecoded;
    CodecStatus blockStatus = CodecStatus::Corrupt;
    Bytes lz;
    Bytes lzDecoded;
    CodecStatus lzStatus = CodecStatus::Corrupt;
};

// Codes input with a compressor and a decoder of its own, several streams
// in a row through the same objects.
Coded codeWithObjects(const Bytes& input, BlockCompressor& compressor, BlockDecoder& decoder) {
    Coded coded;
    StringSource in(input);
    StringSink out;
    compressor.compress(in, out, nullptr);
    coded.block = out.bytes;
    std::vector<uint8_t> area(input.size() + 1);
    StringSource stream(coded.block);
    const CodecResult result = decoder.decode(stream, area.data(), area.size(), nullptr);
    coded.blockStatus = result.status;
    coded.blockDecoded.assign(reinterpret_cast<const char*>(area.data()), result.size);

    StringSource lzIn(input);
    StringSink lzOut;
    lzCompress(lzIn, lzOut, nullptr);
    coded.lz = lzOut.bytes;
    StringSource lzStream(coded.lz);
    const CodecResult lzResult = lzUncompress(lzStream, area.data(), area.size(), nullptr);
    coded.lzStatus = lzResult.status;
    coded.lzDecoded.assign(reinterpret_cast<const char*>(area.data()), lzResult.size);
    return coded;
}

void expectSame(const Coded& concurrent, const Coded& alone, const Bytes& input) {
    EXPECT_EQ(concurrent.block, alone.block);
    EXPECT_EQ(concurrent.blockStatus, CodecStatus::Ok);
    EXPECT_EQ(concurrent.blockDecoded, input);
    EXPECT_EQ(concurrent.lz, alone.lz);
    EXPECT_EQ(concurrent.lzStatus, CodecStatus::Ok);
    EXPECT_EQ(concurrent.lzDecoded, input);
}

TEST(CodecThreads, TwoStreamsAtOnceGiveTheBytesOfOneAfterTheOther) {
    // Different shapes, each of several blocks, so that the two threads are
    // at different stages of the format most of the time.
    const Bytes inputs[2] = {textLike(2'100'000, 7),
                             periodic(randomBytes(1000, 3), 1'900'000) + runFree(300'000, 5)};
    Coded alone[2];
    for (int i = 0; i < 2; ++i) {
        BlockCompressor compressor;
        BlockDecoder decoder;
        alone[i] = codeWithObjects(inputs[i], compressor, decoder);
        // The free functions, one stream at a time, give the same stream.
        ASSERT_EQ(alone[i].block, compress(inputs[i]));
    }

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Coded concurrent[2][2];
        std::atomic<int> ready{0};
        auto work = [&](int i) {
            BlockCompressor compressor;
            BlockDecoder decoder;
            ready.fetch_add(1);
            while (ready.load() < 2)
                std::this_thread::yield();
            // The same objects code a second stream: nothing of the first
            // may linger.
            for (int k = 0; k < 2; ++k)
                concurrent[i][k] = codeWithObjects(inputs[i], compressor, decoder);
        };
        std::thread first(work, 0);
        std::thread second(work, 1);
        first.join();
        second.join();
        for (int i = 0; i < 2; ++i) {
            for (int k = 0; k < 2; ++k) {
                SCOPED_TRACE(i * 2 + k);
                expectSame(concurrent[i][k], alone[i], inputs[i]);
            }
        }
    }
}

TEST(CodecThreads, ObjectsReusedAfterADamagedStreamDecodeTheNextOneWhole) {
    const Bytes input = textLike(1'000'000, 11);
    const Bytes stream = compress(input);
    BlockDecoder decoder;
    std::vector<uint8_t> area(input.size());
    const struct {
        const char* name;
        Bytes damaged;
        CodecStatus status;
    } cases[] = {
        {"cut in the second block", stream.substr(0, stream.size() * 2 / 3),
         CodecStatus::Truncated},
        {"not a stream", Bytes("PK\3\4") + stream, CodecStatus::Corrupt},
        {"output too small", stream, CodecStatus::OutputFull},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StringSource bad(c.damaged);
        const size_t capacity =
            c.status == CodecStatus::OutputFull ? input.size() / 2 : input.size();
        EXPECT_EQ(decoder.decode(bad, area.data(), capacity, nullptr).status, c.status);
        StringSource good(stream);
        const CodecResult result = decoder.decode(good, area.data(), area.size(), nullptr);
        EXPECT_EQ(result.status, CodecStatus::Ok);
        EXPECT_EQ(Bytes(reinterpret_cast<const char*>(area.data()), result.size), input);
    }
}

TEST(BlockCodecTwoThreads, StreamsAndOutputAreThoseOfOneThread) {
    const struct {
        const char* name;
        Bytes input;
        const char* golden;  // the known stream, if there is one
    } cases[] = {
        {"empty", readGolden("empty.bin"), "empty.block"},
        {"one byte", readGolden("a.bin"), "a.block"},
        {"abcabc", readGolden("abcabc.bin"), "abcabc.block"},
        {"300 equal bytes", readGolden("x300.bin"), "x300.block"},
        {"text", readGolden("text.bin"), "text.block"},
        {"1025 random bytes", readGolden("random1025.bin"), "random1025.block"},
        // A block holds 899,981 bytes with the end marker.
        {"one block exactly", runFree(899'980, 21), nullptr},
        {"one block and the end marker alone", runFree(899'981, 22), nullptr},
        {"one block and one byte", runFree(899'982, 23), nullptr},
        {"many blocks of text", textLike(4'500'000, 24), nullptr},
        {"many blocks, repeats and noise",
         periodic(randomBytes(1000, 25), 1'900'000) + runFree(300'000, 26) +
             periodic("ab", 1'000'000),
         nullptr},
    };
    // The same objects for every stream: nothing may linger from one to the next.
    BlockCompressor one;
    BlockCompressor two(2);
    BlockDecoder decoder(2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StringSource oneIn(c.input);
        StringSink oneOut;
        ASSERT_EQ(one.compress(oneIn, oneOut, nullptr).status, CodecStatus::Ok);
        StringSource twoIn(c.input);
        StringSink twoOut;
        const CodecResult compressed = two.compress(twoIn, twoOut, nullptr);
        ASSERT_EQ(compressed.status, CodecStatus::Ok);
        const Bytes stream = twoOut.bytes;
        EXPECT_EQ(compressed.size, stream.size());
        EXPECT_EQ(stream, oneOut.bytes);
        if (c.golden) {
            EXPECT_EQ(stream, readGolden(c.golden));
        }

        std::vector<uint8_t> area(c.input.size() + 1);
        StringSource streamIn(stream);
        const CodecResult decoded = decoder.decode(streamIn, area.data(), area.size(), nullptr);
        EXPECT_EQ(decoded.status, CodecStatus::Ok);
        EXPECT_EQ(Bytes(reinterpret_cast<const char*>(area.data()), decoded.size), c.input);
        // Right after the stream, as with one thread.
        EXPECT_EQ(streamIn.Consumed(), stream.size());

        StringSink sink;
        StringSource sinkIn(stream);
        EXPECT_EQ(decoder.decodeTo(sinkIn, sink, c.input.size(), nullptr).status, CodecStatus::Ok);
        EXPECT_EQ(sink.bytes, c.input);
    }
}

}  // namespace
