// The zstd wrapper: round trips, the frame it writes, and every status its
// decoder and compressor report, each reached by a frame or stream made for it.
#include "codecs/zstd_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#define ZSTD_STATIC_LINKING_ONLY  // ZSTD_getFrameHeader, to read what we wrote
#include <zstd.h>

#include "tests/codecs/block_test_support.h"
#include "tests/codecs/byte_test_doubles.h"

namespace {

using blocktest::randomBytes;

// Text-like bytes.
std::string words(size_t size, uint32_t seed) {
    return blocktest::textLike(size, seed);
}

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

std::string compress(const std::string& input, int level) {
    StringSource in(input);
    StringSink out;
    const CodecResult result = zstdCompress(in, input.size(), out, level, nullptr);
    EXPECT_EQ(result.status, CodecStatus::Ok);
    EXPECT_EQ(result.size, out.bytes.size());
    EXPECT_EQ(in.Consumed(), input.size());
    return out.bytes;
}

// Keeps what it is given, up to room bytes; refuses more.
class KeepingSink final : public ByteSink {
public:
    explicit KeepingSink(size_t room = ~size_t{0}) : room_(room) {}
    bool Write(const void* data, size_t size) override {
        EXPECT_GT(size, 0u);
        EXPECT_LE(size, 128u * 1024u) << "pieces are at most 128 KiB";
        if (size > room_) return false;
        room_ -= size;
        kept.append(reinterpret_cast<const char*>(data), size);
        return true;
    }
    std::string kept;

private:
    size_t room_;
};

// A block of room bytes that the decoder may fill itself (Space and
// Commit) or through Write; kept() is what was committed or written.
class BlockSink final : public ByteSink {
public:
    explicit BlockSink(size_t room) : block_(room, '\0') {}
    bool Write(const void* data, size_t size) override {
        size_t room = 0;
        uint8_t* space = Space(room);
        if (size > room) return false;
        std::copy_n(static_cast<const uint8_t*>(data), size, space);
        ++writes;
        return Commit(size);
    }
    uint8_t* Space(size_t& room) override {
        room = block_.size() - used_;
        return reinterpret_cast<uint8_t*>(&block_[used_]);
    }
    bool Commit(size_t count) override {
        if (count > block_.size() - used_) return false;
        used_ += count;
        return true;
    }
    std::string kept() const { return block_.substr(0, used_); }
    int writes = 0;  // bytes handed over through Write, which copies them

private:
    std::string block_;
    size_t used_ = 0;
};

struct Decoded {
    CodecStatus status;
    std::string data;
};

Decoded decodeThroughWrite(const std::string& frame, size_t capacity) {
    StringSource in(frame);
    KeepingSink sink;
    const CodecResult result = zstdUncompressTo(in, sink, capacity, nullptr);
    EXPECT_EQ(result.size, sink.kept.size());
    EXPECT_LE(result.size, capacity);
    return {result.status, sink.kept};
}

// Decodes into a sink that offers a block of room bytes of its own.
Decoded decodeIntoBlock(const std::string& frame, size_t capacity, size_t room) {
    StringSource in(frame);
    BlockSink sink(room);
    const CodecResult result = zstdUncompressTo(in, sink, capacity, nullptr);
    EXPECT_EQ(result.size, sink.kept().size());
    EXPECT_LE(result.size, capacity);
    return {result.status, sink.kept()};
}

// Decodes frame both ways, into a sink that takes pieces and into one that
// offers a block of room for capacity bytes; the status must not depend on
// the sink, nor the bytes of a frame that decodes whole.
Decoded decode(const std::string& frame, size_t capacity) {
    const Decoded written = decodeThroughWrite(frame, capacity);
    const Decoded placed = decodeIntoBlock(frame, capacity, capacity);
    EXPECT_EQ(placed.status, written.status) << "decoded into the sink's block";
    if (written.status == CodecStatus::Ok) {
        EXPECT_TRUE(placed.data == written.data);
    }
    return written;
}

// A frame built by hand: magic, a frame header descriptor without a content
// size (or with a one-byte one), a window descriptor, then one raw block.
std::string handFrame(unsigned windowLog, const std::string& block, int contentSize = -1) {
    std::string frame = bytes({0x28, 0xB5, 0x2F, 0xFD});
    if (contentSize < 0) {
        frame += bytes({0x00, static_cast<int>((windowLog - 10) << 3)});
    } else {
        // Single segment: no window descriptor, the content size is the window.
        frame += bytes({0x20, contentSize});
    }
    const size_t header = (block.size() << 3) | 1;  // raw block, last
    frame += bytes({static_cast<int>(header & 0xFF), static_cast<int>((header >> 8) & 0xFF),
                    static_cast<int>(header >> 16)});
    return frame + block;
}

// ---------------------------------------------------------------------------
// Round trips

TEST(ZstdCodec, RoundTripsEverySizeAndKind) {
    struct Case {
        const char* name;
        std::string input;
        int level;
    } cases[] = {
        {"empty", "", 19},
        {"one byte", "x", 19},
        {"text", words(100000, 1), 19},
        {"text at level 1", words(3 << 20, 2), 1},
        {"incompressible", randomBytes(1 << 20, 3), 3},
        {"mixed, several pieces", words(300000, 4) + randomBytes(200000, 5), 19},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string frame = compress(c.input, c.level);
        const Decoded decoded = decode(frame, c.input.size());
        EXPECT_EQ(decoded.status, CodecStatus::Ok);
        EXPECT_TRUE(decoded.data == c.input);
    }
}

TEST(ZstdCodec, FrameRecordsSizeWithoutChecksumInABoundedWindow) {
    struct Case {
        const char* name;
        std::string input;
        int level;
    } cases[] = {
        {"small", words(5000, 6), 19},
        // Larger than the window: level 19 would take 8 MiB here anyway, and
        // may take no more.
        {"beyond the window", std::string(9 << 20, '\0') + words(1000, 7), 19},
        {"level 1", words(1 << 20, 8), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string frame = compress(c.input, c.level);
        ZSTD_frameHeader header{};
        ASSERT_EQ(ZSTD_getFrameHeader(&header, frame.data(), frame.size()), 0u);
        EXPECT_EQ(header.frameType, ZSTD_frame);
        EXPECT_EQ(header.frameContentSize, c.input.size());
        EXPECT_EQ(header.checksumFlag, 0u);
        EXPECT_LE(header.windowSize, uint64_t{1} << kZstdMaxWindowLog);
    }
}

TEST(ZstdCodec, BytesDependOnInputAndLevelOnly) {
    const std::string input = words(400000, 9) + randomBytes(1000, 10);
    const std::string first = compress(input, 19);
    EXPECT_EQ(compress(input, 19), first);
    TrickleSource in(input);
    StringSink out;
    ASSERT_EQ(zstdCompress(in, input.size(), out, 19, nullptr).status, CodecStatus::Ok);
    EXPECT_TRUE(out.bytes == first) << "delivered in small pieces";
    EXPECT_NE(compress(input, 1), first);

    // Levels beyond the range are the nearest level.
    EXPECT_EQ(compress(input, 40), first);
    EXPECT_EQ(compress(input, -3), compress(input, kZstdMinLevel));
}

TEST(ZstdCodec, DecodesThroughAnInputOfSmallPieces) {
    const std::string input = words(200000, 11);
    TrickleSource in(compress(input, 5));
    KeepingSink sink;
    EXPECT_EQ(zstdUncompressTo(in, sink, input.size(), nullptr).status, CodecStatus::Ok);
    EXPECT_TRUE(sink.kept == input);
}

// ---------------------------------------------------------------------------
// Decoding straight into the sink's memory

TEST(ZstdCodec, DecodesIntoTheSinksBlockWhenTheRecordedSizeFitsIt) {
    const std::string text = words(300000, 21) + randomBytes(70000, 22);
    const std::string frame = compress(text, 19);
    struct Case {
        const char* name;
        size_t capacity, room;
        CodecStatus status;
        bool direct;  // decoded in place: no piece copied through Write
    } cases[] = {
        {"room and capacity as recorded", text.size(), text.size(), CodecStatus::Ok, true},
        {"room to spare", text.size() + 10, text.size() + 10, CodecStatus::Ok, true},
        {"room short of the recorded size", text.size(), text.size() - 1,
         CodecStatus::WriteFailed, false},
        {"capacity short of the recorded size", text.size() - 1, text.size(),
         CodecStatus::OutputFull, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StringSource in(frame);
        BlockSink sink(c.room);
        const CodecResult result = zstdUncompressTo(in, sink, c.capacity, nullptr);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.size, sink.kept().size());
        if (c.status == CodecStatus::Ok) {
            EXPECT_TRUE(sink.kept() == text);
        }
        EXPECT_EQ(sink.writes == 0, c.direct) << sink.writes << " pieces written";
    }
}

// ---------------------------------------------------------------------------
// What the decoder refuses

TEST(ZstdCodec, DecoderRefusesAllButOneWholeFrameOfAllowedWindow) {
    const std::string text = words(50000, 12);
    const std::string frame = compress(text, 19);
    const std::string skippable = bytes({0x50, 0x2A, 0x4D, 0x18, 1, 0, 0, 0, 'x'});
    struct Case {
        const char* name;
        std::string input;
        size_t capacity;
        CodecStatus status;
        std::string handedOn;  // the bytes the sink got
    } cases[] = {
        {"empty input", "", 100, CodecStatus::Truncated, ""},
        {"half the magic", frame.substr(0, 2), 100, CodecStatus::Truncated, ""},
        {"block codec stream", "ResJ" + frame, 100, CodecStatus::Corrupt, ""},
        {"skippable frame first", skippable + frame, text.size(), CodecStatus::Corrupt, ""},
        {"byte after the frame", frame + "x", text.size(), CodecStatus::Corrupt, text},
        {"two frames", frame + frame, 2 * text.size(), CodecStatus::Corrupt, text},
        {"frame cut in its header", frame.substr(0, 5), text.size(), CodecStatus::Truncated, ""},
        {"frame cut in its last block", frame.substr(0, frame.size() - 1), text.size(),
         CodecStatus::Truncated, ""},
        {"more than the capacity", frame, 1000, CodecStatus::OutputFull, text.substr(0, 1000)},
        {"window of 8 MiB", handFrame(23, "a"), 1, CodecStatus::Ok, "a"},
        {"window of 16 MiB", handFrame(24, "a"), 1, CodecStatus::Corrupt, ""},
        {"window of 1 GiB", handFrame(30, "a"), 1, CodecStatus::Corrupt, ""},
        {"declared size matches", handFrame(0, "ab", 2), 10, CodecStatus::Ok, "ab"},
        {"declared size too small", handFrame(0, "abc", 2), 10, CodecStatus::Corrupt, ""},
        {"declared size too large", handFrame(0, "a", 2), 10, CodecStatus::Corrupt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded decoded = decode(c.input, c.capacity);
        EXPECT_EQ(decoded.status, c.status);
        EXPECT_TRUE(decoded.data == c.handedOn) << decoded.data.size() << " bytes handed on";
    }
}

TEST(ZstdCodec, DecoderSurvivesEveryCutAndBitFlip) {
    const std::string text = words(3000, 13) + randomBytes(500, 14);
    const std::string frame = compress(text, 19);
    for (size_t cut = 0; cut < frame.size(); ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_EQ(decode(frame.substr(0, cut), text.size()).status, CodecStatus::Truncated);
    }
    // Without a checksum a flipped literal may still decode; what matters is
    // that the decoder stays inside its bounds and ends (the pack's check
    // value catches the rest).
    for (size_t pos = 0; pos < frame.size(); ++pos) {
        for (int bit = 0; bit < 8; bit += 3) {
            std::string damaged = frame;
            damaged[pos] = static_cast<char>(damaged[pos] ^ (1 << bit));
            const Decoded decoded = decode(damaged, text.size());
            if (decoded.status == CodecStatus::Ok) {
                EXPECT_EQ(decoded.data.size(), text.size());
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Failing inputs, outputs and sinks

TEST(ZstdCodec, ReportsFailingInputOutputAndSink) {
    const std::string text = words(400000, 15);
    const std::string frame = compress(text, 3);

    FailingSource frameIn(frame, frame.size() / 2);
    KeepingSink sink;
    EXPECT_EQ(zstdUncompressTo(frameIn, sink, text.size(), nullptr).status,
              CodecStatus::ReadFailed);

    StringSource whole(frame);
    KeepingSink small(1000);
    EXPECT_EQ(zstdUncompressTo(whole, small, text.size(), nullptr).status,
              CodecStatus::WriteFailed);

    StringSource none("");
    EXPECT_EQ(zstdUncompressTo(none, sink, 10, nullptr).status, CodecStatus::Truncated);

    struct Case {
        const char* name;
        uint64_t declared;
        bool outputRefuses;
        CodecStatus status;
    } cases[] = {
        {"as declared", text.size(), false, CodecStatus::Ok},
        {"input longer than declared", text.size() - 1, false, CodecStatus::ReadFailed},
        {"input shorter than declared", text.size() + 1, false, CodecStatus::ReadFailed},
        {"output refuses", text.size(), true, CodecStatus::WriteFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StringSource in(text);
        LimitedSink out(c.outputRefuses ? 0 : ~size_t{0});
        EXPECT_EQ(zstdCompress(in, c.declared, out, 3, nullptr).status, c.status);
    }

    FailingSource textIn(text, 1000);
    StringSink out;
    EXPECT_EQ(zstdCompress(textIn, text.size(), out, 3, nullptr).status, CodecStatus::ReadFailed);
}

int progressCalls = 0;
void countProgress() {
    ++progressCalls;
}

TEST(ZstdCodec, CallsProgressPerPiece) {
    const std::string text = words(1 << 20, 16);
    StringSource in(text);
    StringSink out;
    progressCalls = 0;
    ASSERT_EQ(zstdCompress(in, text.size(), out, 1, countProgress).status, CodecStatus::Ok);
    EXPECT_EQ(progressCalls, 9) << "eight pieces of 128 KiB and the empty last one";
    StringSource frame(out.bytes);
    KeepingSink sink;
    progressCalls = 0;
    ASSERT_EQ(zstdUncompressTo(frame, sink, text.size(), countProgress).status, CodecStatus::Ok);
    EXPECT_GE(progressCalls, 8);
}

}  // namespace
