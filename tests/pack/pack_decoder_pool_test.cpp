// Block decoders kept between entries: a decoder is never shared by two
// readers at once, comes back for the next entry, and decodes correctly after
// a damaged entry left it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "pack/pack_decoder_pool.h"
#include "pack/pack_file.h"
#include "tests/pack/pack_test_support.h"

namespace {

TEST(BlockDecoderPoolTest, HeldDecodersAreDistinctAndReturnedOnesAreReused) {
    BlockDecoderPool pool;
    std::set<BlockDecoder*> made;
    {
        const BlockDecoderPool::Lease first = pool.Take();
        const BlockDecoderPool::Lease second = pool.Take();
        ASSERT_NE(first.get(), nullptr);
        ASSERT_NE(second.get(), nullptr);
        EXPECT_NE(first.get(), second.get());
        EXPECT_EQ(pool.IdleCount(), 0u);
        made = {first.get(), second.get()};
    }
    EXPECT_EQ(pool.IdleCount(), 2u);
    const BlockDecoderPool::Lease again = pool.Take();
    EXPECT_EQ(made.count(again.get()), 1u);
    EXPECT_EQ(pool.IdleCount(), 1u);
}

TEST(BlockDecoderPoolTest, ADecoderLeftByADamagedEntryDecodesTheNextOnesWhole) {
    const std::string text = packtest::golden("text.bin");
    const std::string large = packtest::randomBytes(150000, 7) + text + std::string(90000, 'z');
    const std::string small = text.substr(0, 900);
    const std::string damaged = text.substr(100, 2000);
    std::string bytes = packtest::handBuiltPack(
        "STUB", {{"large", large, 5}, {"damaged", damaged, 5}, {"small", small, 5}});
    // The damaged entry's stream starts behind the stub and the first stream;
    // a byte in its middle is flipped.
    const size_t damagedAt = 4 + packtest::blockStream(large).size() +
                             packtest::blockStream(damaged).size() / 2;
    bytes[damagedAt] = static_cast<char>(bytes[damagedAt] ^ 0x5A);

    auto pack = packtest::openBytes(bytes);
    ASSERT_TRUE(pack->HasIndex());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(packtest::extract(*pack, "large").data, large);
        EXPECT_FALSE(packtest::extract(*pack, "damaged").present);
        EXPECT_EQ(packtest::extract(*pack, "small").data, small);
        EXPECT_EQ(packtest::extract(*pack, "large").data, large);
    }
}

}  // namespace
