#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "codecs/lz_codec.h"
#include "tests/codecs/byte_test_doubles.h"

namespace {

// ---------------------------------------------------------------------------
// Helpers

std::string readGolden(const std::string& name) {
    std::ifstream file(std::string(NERRO_GOLDEN_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << name;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

int progressCalls = 0;
void countProgress() {
    ++progressCalls;
}

std::string compress(const std::string& input, CodecCallback progress = nullptr) {
    StringSource in(input);
    StringSink out;
    const CodecResult written = lzCompress(in, out, progress);
    std::string stream = out.bytes;
    EXPECT_EQ(written.status, CodecStatus::Ok);
    EXPECT_EQ(written.size, stream.size());
    EXPECT_EQ(in.Consumed(), input.size()) << "input is read to its end";
    return stream;
}

struct Decoded {
    CodecStatus status;
    std::string data;
    size_t consumed;  // bytes of the input taken by the decoder
};

constexpr size_t kGuardSize = 64;
constexpr uint8_t kGuardByte = 0xA5;

// Decodes into an area of capacity bytes followed by guard bytes, and fails
// the test if any guard byte changed.
Decoded decodeFrom(StringSource& in, size_t capacity, CodecCallback progress = nullptr) {
    std::vector<uint8_t> area(capacity + kGuardSize, kGuardByte);
    const size_t start = in.Consumed();
    CodecResult result = lzUncompress(in, area.data(), capacity, progress);
    EXPECT_LE(result.size, capacity);
    EXPECT_TRUE(std::all_of(area.begin() + static_cast<std::ptrdiff_t>(capacity), area.end(),
                            [](uint8_t b) { return b == kGuardByte; }))
        << "wrote past the bound of " << capacity;
    Decoded decoded{result.status,
                    std::string(area.begin(), area.begin() + static_cast<std::ptrdiff_t>(
                                                                 std::min(result.size, capacity))),
                    in.Consumed() - start};
    return decoded;
}

Decoded decode(const std::string& stream, size_t capacity, CodecCallback progress = nullptr) {
    StringSource in(stream);
    return decodeFrom(in, capacity, progress);
}

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

// Deterministic inputs (std::mt19937's sequence is fixed by the standard).
std::string randomBytes(size_t size, uint32_t seed, int alphabet = 256) {
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(rng() % static_cast<uint32_t>(alphabet));
    return s;
}

std::string periodic(size_t size, size_t period, uint32_t seed) {
    std::string unit = randomBytes(period, seed);
    std::string s;
    while (s.size() < size)
        s += unit;
    s.resize(size);
    return s;
}

// Words from a small vocabulary: text-like, with many short and long matches.
std::string words(size_t size, uint32_t seed) {
    static const char* const vocabulary[] = {
        "the ",  "plug-in ", "folder ", "install ",  "a ",  "of ", "Photoshop ", "\r\n",
        "file ", "and ",     "setup ",  "registry ", "to ", "is ", "path "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size)
        s += vocabulary[rng() % std::size(vocabulary)];
    s.resize(size);
    return s;
}

// Runs of random length and value, like the padding and tables of a DLL.
std::string runsAndNoise(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size) {
        size_t run = 1 + rng() % 600;
        char value = (rng() % 3 == 0) ? static_cast<char>(rng()) : '\0';
        s.append(run, value);
        s += randomBytes(rng() % 40, rng());
    }
    s.resize(size);
    return s;
}

// Runs of zeros of every length up to twice the longest match, some longer than
// the history, between one to three bytes of a tiny alphabet.
std::string zeroRuns(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size) {
        size_t run = rng() % 16 == 0 ? 8150 + rng() % 100 : 1 + rng() % 520;
        s.append(run, '\0');
        for (uint32_t k = rng() % 3; k < 3; ++k)
            s += static_cast<char>(1 + rng() % 2);
    }
    s.resize(size);
    return s;
}

// ---------------------------------------------------------------------------
// A plain transcription of the classic coder: one chain per byte value over a
// 17664-byte window of 16-bit positions that slides by 8192. Slow, but it is
// the definition of what the coder must write.

struct ReferenceOutput {
    std::string stream;
    int slides = 0;
};

ReferenceOutput referenceCompress(const std::string& input) {
    constexpr int kWindow = 17664;
    std::vector<uint8_t> window(kWindow);
    std::vector<int16_t> link(kWindow);
    int16_t latest[256];
    size_t taken = 0;
    auto readInto = [&](int at, int count) {
        int n =
            static_cast<int>(std::min<size_t>(static_cast<size_t>(count), input.size() - taken));
        std::memcpy(window.data() + at, input.data() + taken, static_cast<size_t>(n));
        taken += static_cast<size_t>(n);
        return n;
    };

    ReferenceOutput out;
    uint16_t word = 0;
    int flags = 0;
    std::string pending;
    auto putFlag = [&](int flag) {
        word = static_cast<uint16_t>((word >> 1) | (flag << 15));
        if (++flags == 16) {
            out.stream += static_cast<char>(word & 0xFF);
            out.stream += static_cast<char>(word >> 8);
            out.stream += pending;
            pending.clear();
            word = 0;
            flags = 0;
        }
    };
    auto putByte = [&](int b) { pending += static_cast<char>(b); };
    auto linkIn = [&](int pos) {
        link[pos] = latest[window[pos]];
        latest[window[pos]] = static_cast<int16_t>(pos);
    };

    int len = readInto(0, kWindow);
    std::fill(std::begin(latest), std::end(latest), int16_t{-1});
    link[0] = -1;
    latest[window[0]] = 0;
    if (len > 0) {
        putFlag(1);
        putByte(window[0]);
        for (int i = 1; i < len; ++i) {
            linkIn(i);
            int maxLen = std::min(len - i, 256);
            int lowest = i > 8192 ? i - 8192 : 0;
            int best = 0, distance = 0;
            for (int c = link[i]; c >= lowest; c = link[c]) {
                int n = 1;
                while (n < maxLen && window[c + n] == window[i + n])
                    ++n;
                if (n > best) {
                    best = n;
                    distance = i - c;
                    if (best == maxLen) break;
                }
            }
            bool used = (distance <= 255 && best >= 2) || (distance >= 256 && best >= 3);
            if (!used) {
                putFlag(1);
                putByte(window[i]);
            } else {
                putFlag(0);
                for (int k = i + 1; k < i + best; ++k)
                    linkIn(k);
                i += best - 1;
                int v = 8192 - distance;
                if (best <= 5 && distance <= 255) {
                    putFlag(0);
                    putFlag(((best - 2) >> 1) & 1);
                    putFlag((best - 2) & 1);
                    putByte(256 - distance);
                } else {
                    putFlag(1);
                    putByte(v & 0xFF);
                    if (best <= 9) {
                        putByte((v >> 8) * 8 + best - 2);
                    } else {
                        putByte((v >> 8) * 8);
                        putByte(best - 1);
                    }
                }
            }
            if (i > 16384) {
                ++out.slides;
                auto lower = [](int16_t p) {
                    return static_cast<int16_t>(p >= 8192 ? p - 8192 : -1);
                };
                for (int16_t& p : latest)
                    p = lower(p);
                for (int k = 8192; k < len; ++k) {
                    window[k - 8192] = window[k];
                    link[k - 8192] = lower(link[k]);
                }
                len = len - 8192 + readInto(len - 8192, kWindow - (len - 8192));
                i -= 8192;
            }
        }
    }
    putFlag(0);
    putFlag(1);
    putByte(1);
    putByte(0);
    putByte(0);
    uint16_t last = flags ? static_cast<uint16_t>(word >> (16 - flags)) : 0;
    out.stream += static_cast<char>(last & 0xFF);
    out.stream += static_cast<char>(last >> 8);
    out.stream += pending;
    return out;
}

// ---------------------------------------------------------------------------
// Known streams

class LzGoldenTest : public ::testing::TestWithParam<const char*> {};

TEST_P(LzGoldenTest, CompressesToTheKnownStreamAndDecodesBack) {
    std::string name = GetParam();
    std::string original = readGolden(name + ".bin");
    std::string stream = readGolden(name + ".lz");

    EXPECT_EQ(compress(original), stream);

    Decoded decoded = decode(stream, original.size());
    EXPECT_EQ(decoded.status, CodecStatus::Ok);
    EXPECT_EQ(decoded.data, original);
    EXPECT_EQ(decoded.consumed, static_cast<std::streamoff>(stream.size()));
}

INSTANTIATE_TEST_SUITE_P(Vectors, LzGoldenTest,
                         ::testing::Values("empty", "a", "abcabc", "x300", "text", "random1025"));

struct ExactStreamCase {
    const char* what;
    std::string input;
    std::string stream;
};

// Streams worked out by hand from the format.
TEST(LzCompressTest, WritesTheExactItemsForSmallInputs) {
    const std::string fifteen = "abcdefghijklmno";
    const ExactStreamCase cases[] = {
        {"empty input: the end marker alone", "", bytes({0x02, 0x00, 0x01, 0x00, 0x00})},
        {"300 equal bytes: literal, matches of 256 and 43 at distance 1", std::string(300, 'x'),
         bytes({0x55, 0x00, 'x', 0xFF, 0xF8, 0xFF, 0xFF, 0xF8, 0x2A, 0x01, 0x00, 0x00})},
        {"abcabc: three literals and a short match of 3 at distance 3", "abcabc",
         bytes({0x47, 0x01, 'a', 'b', 'c', 0xFD, 0x01, 0x00, 0x00})},
        // The match's first flag is the 16th: the second word comes before its byte.
        {"a word boundary inside an item", fifteen + "ab",
         std::string("\xFF\x7F", 2) + fifteen + bytes({0x10, 0x00, 0xF1, 0x01, 0x00, 0x00})},
        // 14 literals leave the end marker's flags for the 15th and 16th place:
        // an empty word still follows, and the marker's bytes come after it.
        {"the end marker filling a word", fifteen.substr(0, 14),
         std::string("\xFF\xBF", 2) + fifteen.substr(0, 14) +
             bytes({0x00, 0x00, 0x01, 0x00, 0x00})},
    };
    for (const ExactStreamCase& c : cases) {
        EXPECT_EQ(compress(c.input), c.stream) << c.what;
        EXPECT_EQ(decode(c.stream, c.input.size()).data, c.input) << c.what;
    }
}

TEST(LzCompressTest, LeavesAPairAtDistance300AsLiterals) {
    // 300 bytes in which no byte pair repeats, then the first pair again.
    std::string input;
    for (int k = 0; k < 256; ++k)
        input += static_cast<char>(k);
    for (int k = 0; k < 44; ++k)
        input += static_cast<char>(2 * k + 1);
    ASSERT_EQ(input.size(), 300u);
    std::string withFarPair = input + input.substr(0, 2);
    std::string withNearPair = input + input.substr(100, 2);

    // Every item a literal: 302 flags of 1 and the bytes themselves, plus the
    // marker. The near pair (distance 200) is a short match and saves a byte.
    // 304 flags fill 19 words exactly; an empty word and the marker's bytes end it.
    std::string far = compress(withFarPair);
    std::string near = compress(withNearPair);
    EXPECT_EQ(far.size(), 2 * 19 + 302 + 2 + 3u);
    EXPECT_EQ(far.substr(far.size() - 7), withFarPair.substr(300, 2) + bytes({0, 0, 1, 0, 0}));
    EXPECT_LT(near.size(), far.size());
    EXPECT_EQ(decode(near, 302).data, withNearPair);
}

// ---------------------------------------------------------------------------
// Same stream as the classic coder

struct ReferenceCase {
    const char* what;
    std::string input;
};

TEST(LzCompressTest, MatchesTheClassicCoderByteForByte) {
    const ReferenceCase cases[] = {
        {"short words", words(700, 19)},
        {"short zero runs", zeroRuns(3000, 20)},
        {"words", words(60000, 1)},
        {"words past the coder's internal buffer", words(300000, 2)},
        {"four-letter alphabet", randomBytes(70000, 3, 4)},
        {"two-letter alphabet", randomBytes(30000, 4, 2)},
        {"runs and noise", runsAndNoise(90000, 5)},
        {"zero runs", zeroRuns(150000, 17)},
        {"zero runs past the coder's internal buffer", zeroRuns(400000, 18)},
        {"random", randomBytes(40000, 6)},
        {"period 8191", periodic(40000, 8191, 7)},
        {"period 8192", periodic(40000, 8192, 8)},
        {"period 8193", periodic(40000, 8193, 9)},
        {"period 255", periodic(5000, 255, 10)},
        {"period 256", periodic(5000, 256, 11)},
        {"window size - 1", randomBytes(17663, 12, 8)},
        {"window size", randomBytes(17664, 13, 8)},
        {"window size + 1", randomBytes(17665, 14, 8)},
        {"first slide", randomBytes(16386, 15, 8)},
        {"second refill", randomBytes(17664 + 8193, 16, 16)},
    };
    for (const ReferenceCase& c : cases) {
        ReferenceOutput reference = referenceCompress(c.input);
        progressCalls = 0;
        EXPECT_EQ(compress(c.input, countProgress), reference.stream) << c.what;
        EXPECT_EQ(progressCalls, reference.slides) << c.what;
    }
}

// ---------------------------------------------------------------------------
// Round trips

struct RoundTripCase {
    std::string what;
    std::string input;
};

std::vector<RoundTripCase> roundTripCases() {
    std::vector<RoundTripCase> cases = {
        {"empty", ""},
        {"one byte", "\x7F"},
        {"random", randomBytes(100000, 21)},
        {"period 3", periodic(50000, 3, 22)},
        {"period 1000", periodic(50000, 1000, 23)},
        {"period 8192", periodic(50000, 8192, 24)},
        {"period 8193", periodic(50000, 8193, 25)},
        {"over 900000 bytes of words", words(1000003, 26)},
        {"over 900000 bytes of runs", runsAndNoise(950000, 27)},
    };
    for (size_t size : {1024, 1025, 8001, 8002, 8191, 8192, 8193, 16383, 16384, 16385, 17663, 17664,
                        17665, 25856, 25857, 262143, 262144, 262402, 262403}) {
        cases.push_back({"mixed " + std::to_string(size), runsAndNoise(size, 28 + size)});
    }
    return cases;
}

void expectRoundTrip(const std::string& what, const std::string& input) {
    std::string stream = compress(input);
    Decoded decoded = decode(stream, input.size());
    EXPECT_EQ(decoded.status, CodecStatus::Ok) << what;
    EXPECT_TRUE(decoded.data == input) << what;
    EXPECT_EQ(decoded.consumed, static_cast<std::streamoff>(stream.size())) << what;
}

TEST(LzRoundTripTest, GivesBackEveryInput) {
    for (const RoundTripCase& c : roundTripCases())
        expectRoundTrip(c.what, c.input);
}

TEST(LzRoundTripTest, GivesBackRunsOfEveryLengthUpTo300) {
    for (size_t length = 1; length <= 300; ++length) {
        expectRoundTrip("run of " + std::to_string(length), std::string(length, 'q'));
    }
}

TEST(LzRoundTripTest, DecodesStreamsLyingBackToBack) {
    std::string first = words(20000, 31);
    std::string second = "x";
    std::string third = "";
    StringSource in("HEAD" + compress(first) + compress(second) + compress(third) + "TAIL");
    uint8_t head[4];
    ASSERT_EQ(in.Read(head, sizeof head), sizeof head);
    for (const std::string* expected : {&first, &second, &third}) {
        Decoded decoded = decodeFrom(in, expected->size());
        EXPECT_EQ(decoded.status, CodecStatus::Ok);
        EXPECT_EQ(decoded.data, *expected);
    }
    EXPECT_EQ(readRest(in), "TAIL");
}

// ---------------------------------------------------------------------------
// Decoding: what streams may say, and bad input

struct DecodeCase {
    const char* what;
    std::string stream;
    size_t capacity;
    CodecStatus status;
    std::string output;
};

TEST(LzUncompressTest, DecodesHandWrittenStreams) {
    const DecodeCase cases[] = {
        // Flags 1, 0 1, 1, 0 1: literal, no-op item (n = 1), literal, end.
        {"no-op item", bytes({0x2D, 0x00, 'a', 0x00, 0x00, 0x01, 'b', 0x01, 0x00, 0x00}), 10,
         CodecStatus::Ok, "ab"},
        // Flags 1, 0 1: literal, long match b2 = 0x07 (length 9, distance 8192 - 255*... no:
        // b1 = 0xFF, b2 = 0xFF: distance 8192 - (31*256 + 255) = 1, length 7 + 2 = 9.
        {"long match with the length in b2", bytes({0x15, 0x00, 'z', 0xFF, 0xFF, 0x01, 0x00, 0x00}),
         10, CodecStatus::Ok, std::string(10, 'z')},
        {"a match first", bytes({0x00, 0x00, 0xFF, 0x01, 0x00, 0x00}), 10, CodecStatus::Corrupt,
         ""},
        // Literal, then a short match at distance 2 after only one byte.
        {"a match reaching before the start", bytes({0x01, 0x00, 'a', 0xFE}), 10,
         CodecStatus::Corrupt, "a"},
        {"a literal beyond the bound", compress("abc"), 2, CodecStatus::OutputFull, "ab"},
        {"a match beyond the bound", compress(std::string(300, 'x')), 100,
         CodecStatus::OutputFull, std::string(100, 'x')},
        {"nothing fits", compress("a"), 0, CodecStatus::OutputFull, ""},
        {"empty input", "", 10, CodecStatus::Truncated, ""},
        {"half a flag word", "\x01", 10, CodecStatus::Truncated, ""},
        {"flag word without its byte", bytes({0x01, 0x00}), 10, CodecStatus::Truncated, ""},
        // Sixteen literal flags: the second word is read before the 16th literal's
        // byte, so the last 'k' and a missing byte would be that word.
        {"missing second flag word", std::string("\xFF\xFF", 2) + std::string(16, 'k'), 20,
         CodecStatus::Truncated, std::string(15, 'k')},
    };
    for (const DecodeCase& c : cases) {
        Decoded decoded = decode(c.stream, c.capacity);
        EXPECT_EQ(decoded.status, c.status) << c.what;
        EXPECT_EQ(decoded.data, c.output) << c.what;
    }
}

TEST(LzUncompressTest, ReportsEveryTruncationOfAStream) {
    for (const char* name : {"text", "x300", "random1025"}) {
        std::string original = readGolden(std::string(name) + ".bin");
        std::string stream = readGolden(std::string(name) + ".lz");
        for (size_t cut = 0; cut < stream.size(); ++cut) {
            Decoded decoded = decode(stream.substr(0, cut), original.size());
            ASSERT_EQ(decoded.status, CodecStatus::Truncated) << name << " cut at " << cut;
            EXPECT_EQ(decoded.data, original.substr(0, decoded.data.size()));
            EXPECT_EQ(decoded.consumed, static_cast<std::streamoff>(cut));
        }
    }
}

TEST(LzUncompressTest, StaysInBoundsOnDamagedStreams) {
    std::string original = readGolden("text.bin");
    std::string stream = readGolden("text.lz");
    int notOk = 0;
    for (size_t bit = 0; bit < stream.size() * 8; ++bit) {
        std::string damaged = stream;
        damaged[bit / 8] = static_cast<char>(damaged[bit / 8] ^ (1 << (bit % 8)));
        Decoded decoded = decode(damaged, original.size());  // checks the guard bytes
        EXPECT_LE(decoded.consumed, static_cast<std::streamoff>(damaged.size()));
        if (decoded.status != CodecStatus::Ok) ++notOk;
    }
    // Most flips break the item structure; flipping a literal's byte need not.
    EXPECT_GT(notOk, static_cast<int>(stream.size()));
}

TEST(LzUncompressTest, StaysInBoundsOnRandomStreams) {
    for (uint32_t seed = 0; seed < 300; ++seed) {
        std::string noise = randomBytes(1 + seed * 7, seed);
        Decoded decoded = decode(noise, 512);  // checks the guard bytes
        EXPECT_LE(decoded.consumed, static_cast<std::streamoff>(noise.size()));
        EXPECT_NE(decoded.status, CodecStatus::Ok) << "seed " << seed;
    }
}

TEST(LzUncompressTest, LeavesTheInputReadyForMore) {
    std::string stream = compress("abc");
    struct {
        std::string input;
        CodecStatus status;
    } cases[] = {{stream + "more", CodecStatus::Ok},
                 {stream.substr(0, 5), CodecStatus::Truncated}};
    for (const auto& c : cases) {
        StringSource in(c.input);
        uint8_t area[3] = {};
        EXPECT_EQ(lzUncompress(in, area, sizeof area, nullptr).status, c.status);
        if (c.status == CodecStatus::Ok) {
            EXPECT_EQ(readRest(in), "more");
        }
    }
}

// ---------------------------------------------------------------------------
// Progress

struct ProgressCase {
    size_t size;
    int compressCalls;  // past 16385 coded bytes, then every 8192
    int decodeCalls;    // past 16384 decoded bytes, then every 8192
};

TEST(LzProgressTest, CallsBackAsTheWindowMoves) {
    const ProgressCase cases[] = {
        {0, 0, 0},     {16384, 0, 0}, {16385, 0, 1}, {16386, 1, 1},
        {24576, 1, 1}, {24577, 1, 2}, {24578, 2, 2}, {100000, 11, 11},
    };
    for (const ProgressCase& c : cases) {
        std::string input = runsAndNoise(c.size, 41);
        progressCalls = 0;
        std::string stream = compress(input, countProgress);
        EXPECT_EQ(progressCalls, c.compressCalls) << c.size;
        progressCalls = 0;
        EXPECT_EQ(decode(stream, input.size(), countProgress).data, input);
        EXPECT_EQ(progressCalls, c.decodeCalls) << c.size;
    }
}

// ---------------------------------------------------------------------------
// Stream failures

TEST(LzCompressTest, ReportsAFailingOutput) {
    std::string input = randomBytes(200000, 51);
    size_t full = compress(input).size();
    for (size_t room : {size_t{0}, size_t{1}, full / 2, full - 1}) {
        StringSource in(input);
        LimitedSink out(room);
        EXPECT_EQ(lzCompress(in, out, nullptr).status, CodecStatus::WriteFailed) << room;
    }
}

TEST(LzCompressTest, ReportsAFailingInputInsteadOfAShortStream) {
    FailingSource in(words(50000, 52), 30000);
    StringSink out;
    EXPECT_EQ(lzCompress(in, out, nullptr).status, CodecStatus::ReadFailed);
}

}  // namespace
