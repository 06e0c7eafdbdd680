#include "pack/pack_check.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/pack/pack_test_support.h"

namespace {

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

}  // namespace
