#include "pack/pack_check.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/pack/pack_test_support.h"

namespace {

// The check value as first defined: the table from i + 1, one byte after the
// other from the running state. The fast PackCheck must agree with it.
uint32_t byteAtATimeCheck(uint32_t state, const uint8_t* bytes, size_t size) {
    uint32_t table[256];
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t v = i + 1;
        for (int bit = 0; bit < 8; ++bit)
            v = (v & 1) ? (v >> 1) ^ 0xEDB88320u : v >> 1;
        table[i] = v;
    }
    for (size_t i = 0; i < size; ++i)
        state = table[(state ^ bytes[i]) & 0xFF] ^ (state >> 8);
    return state;
}

// The value of size bytes at data after the bytes of prefix.
uint32_t referenceValue(const std::string& prefix, const uint8_t* data, size_t size) {
    const auto* start = reinterpret_cast<const uint8_t*>(prefix.data());
    return ~byteAtATimeCheck(byteAtATimeCheck(0xFFFFFFFFu, start, prefix.size()), data, size);
}

struct CheckCase {
    std::string bytes;
    uint32_t value;
};

TEST(PackCheckTest, KnownValues) {
    const CheckCase cases[] = {
        {"", 0x00000000u}, {"abc", 0x5AFA2A22u},  // the published CRC-32 would be 0x352441C2
    };
    for (const CheckCase& c : cases)
        EXPECT_EQ(packCheckValue(c.bytes.data(), c.bytes.size()), c.value) << '"' << c.bytes << '"';
}

TEST(PackCheckTest, MatchesTheGoldenPackRecords) {
    const std::string text = packtest::golden("text.bin");
    const std::string random = packtest::golden("random1025.bin");
    EXPECT_EQ(packCheckValue(text.data(), text.size()), 0xafc487d8u);
    EXPECT_EQ(packCheckValue(text.data(), 500), 0x836f36afu);
    EXPECT_EQ(packCheckValue(random.data(), random.size()), 0xc54b430eu);
}

TEST(PackCheckTest, PiecesGiveTheSameValueAsTheWhole) {
    const std::string data = packtest::randomBytes(1000, 7);
    for (size_t split : {size_t{0}, size_t{1}, size_t{499}, size_t{1000}}) {
        PackCheck check;
        check.Update(data.data(), split);
        check.Update(data.data() + split, data.size() - split);
        EXPECT_EQ(check.Value(), packCheckValue(data.data(), data.size())) << split;
    }
}

TEST(PackCheckTest, AgreesWithTheByteAtATimeDefinition) {
    // Every length up to 64 at every alignment, from the start and from
    // running states left by earlier pieces.
    const std::string data = packtest::randomBytes(64 + 16, 11);
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    for (const std::string& prefix : {std::string(), std::string("a"), packtest::randomBytes(37, 5)}) {
        for (size_t offset = 0; offset < 16; ++offset) {
            for (size_t length = 0; length <= 64; ++length) {
                PackCheck check;
                check.Update(prefix.data(), prefix.size());
                check.Update(bytes + offset, length);
                ASSERT_EQ(check.Value(), referenceValue(prefix, bytes + offset, length))
                    << "prefix " << prefix.size() << " offset " << offset << " length " << length;
            }
        }
    }
}

TEST(PackCheckTest, AgreesWithTheByteAtATimeDefinitionOnLargeBuffers) {
    // Random bytes, and runs of the bytes whose table indexes are the first
    // and the last entries (the one built from 256).
    const std::string buffers[] = {packtest::randomBytes((1u << 20) + 13, 3),
                                   std::string(100000, '\xFF'), std::string(100000, '\0'),
                                   std::string(4097, '\x5A')};
    for (const std::string& buffer : buffers) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(buffer.data());
        EXPECT_EQ(packCheckValue(bytes, buffer.size()), referenceValue({}, bytes, buffer.size()))
            << buffer.size() << " bytes of " << int(bytes[0]);
        for (size_t offset : {size_t{1}, size_t{3}, size_t{7}})
            EXPECT_EQ(packCheckValue(bytes + offset, buffer.size() - offset),
                      referenceValue({}, bytes + offset, buffer.size() - offset))
                << buffer.size() << " bytes from " << offset;
    }
}

}  // namespace
