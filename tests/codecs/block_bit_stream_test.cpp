// The block codec's bit reader: it reads the bits in order whatever windows
// its source hands out, leaves the source right after the last byte it read a
// bit of, and reads a byte past the end as eight 1 bits, telling so only once
// a bit of it is read.
#include "codecs/block_bit_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "tests/codecs/byte_test_doubles.h"

namespace {

// Windows of 1 to 9 bytes, around the 8 the reader takes at once, one
// window for everything, and windows of 1 to 7 bytes in turn (0).
constexpr size_t kWindowSizes[] = {1, 3, 7, 8, 9, 4096, 0};

std::unique_ptr<ByteSource> windowedSource(const std::string& bytes, size_t windowSize,
                                           bool failsAtEnd = false) {
    if (windowSize == 0) return std::make_unique<TrickleSource>(bytes);
    return std::make_unique<WindowedSource>(bytes, windowSize, failsAtEnd);
}

// Bit index of bytes, the most significant of a byte first; 1 past the end.
uint32_t bitAt(const std::string& bytes, size_t index) {
    if (index / 8 >= bytes.size()) return 1;
    return (uint8_t(bytes[index / 8]) >> (7 - index % 8)) & 1u;
}

uint32_t bitsAt(const std::string& bytes, size_t index, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 1) | bitAt(bytes, index + size_t(i));
    return value;
}

// Reads up to most (at least 1) bits with one of the three readers, chosen by
// how (0 to 9), and returns how many it read.
int readSome(BitStreamState& bits, unsigned how, int most, uint32_t& value) {
    if (how == 0) {
        value = readBit(bits);
        return 1;
    }
    if (how == 1 && most >= 8) {
        value = readBitByte(bits);
        return 8;
    }
    const int count = std::min(most, int(how * 37 % 32) + 1);
    value = readBits(bits, count);
    return count;
}

TEST(BlockBitReader, ReadsEveryBitInOrderAndLeavesTheSourceAfterTheLastByteRead) {
    for (size_t windowSize : kWindowSizes) {
        for (uint32_t seed = 0; seed < 300; ++seed) {
            std::mt19937 rng(seed);
            std::string data(rng() % 120, '\0');
            for (char& c : data)
                c = char(rng());
            const size_t wanted = data.empty() ? 0 : rng() % (data.size() * 8 + 1);
            const auto source = windowedSource(data + "tail", windowSize);
            BitStreamState bits;
            openBitReader(bits, *source);
            size_t read = 0;
            while (read < wanted) {
                uint32_t value = 0;
                const int count =
                    readSome(bits, rng() % 10, int(std::min<size_t>(32, wanted - read)), value);
                ASSERT_EQ(value, bitsAt(data, read, count))
                    << "window " << windowSize << " seed " << seed << " at bit " << read;
                read += size_t(count);
            }
            EXPECT_FALSE(bits.inputEnded) << windowSize << " " << seed;
            EXPECT_TRUE(closeBitStream(bits));
            EXPECT_EQ(readRest(*source), data.substr((wanted + 7) / 8) + "tail")
                << "window " << windowSize << " seed " << seed << " bits " << wanted;
        }
    }
}

TEST(BlockBitReader, BytesPastTheEndReadAsOnesAndAreToldOnlyOnceRead) {
    for (size_t windowSize : kWindowSizes) {
        for (bool failsAtEnd : {false, true}) {
            if (failsAtEnd && windowSize == 0) continue;  // a trickle only ends
            for (uint32_t seed = 0; seed < 100; ++seed) {
                std::mt19937 rng(seed);
                std::string data(rng() % 40, '\0');
                for (char& c : data)
                    c = char(rng());
                const auto source = windowedSource(data, windowSize, failsAtEnd);
                BitStreamState bits;
                openBitReader(bits, *source);
                const size_t end = data.size() * 8;
                for (size_t read = 0; read < end + 80;) {
                    uint32_t value = 0;
                    const int count = readSome(bits, rng() % 10, 32, value);
                    ASSERT_EQ(value, bitsAt(data, read, count))
                        << "window " << windowSize << " seed " << seed << " at bit " << read;
                    read += size_t(count);
                    ASSERT_EQ(bits.inputEnded, read > end)
                        << "window " << windowSize << " seed " << seed << " at bit " << read;
                    ASSERT_EQ(bits.inputFailed, failsAtEnd && read > end)
                        << "window " << windowSize << " seed " << seed << " at bit " << read;
                }
                closeBitStream(bits);
                EXPECT_TRUE(source->AtEnd());
            }
        }
    }
}

}  // namespace
