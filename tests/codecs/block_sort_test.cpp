// The block sort: every strategy must put the rotations in order.
#include "codecs/block_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/codecs/block_test_support.h"

namespace {

using namespace blocktest;

// A permutation of the rotations, each no greater than the next.
::testing::AssertionResult rotationsInOrder(const Bytes& block,
                                            const std::vector<uint32_t>& order) {
    const size_t n = block.size();
    std::vector<uint32_t> sorted(order);
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < n; ++i) {
        if (sorted[i] != i) return ::testing::AssertionFailure() << "not a permutation";
    }
    for (size_t r = 0; r + 1 < n; ++r) {
        for (size_t k = 0; k < n; ++k) {
            const uint8_t x = uint8_t(block[(order[r] + k) % n]);
            const uint8_t y = uint8_t(block[(order[r + 1] + k) % n]);
            if (x < y) break;
            if (x > y) return ::testing::AssertionFailure() << "ranks " << r << " and " << r + 1;
        }
    }
    return ::testing::AssertionSuccess();
}

// Sorted entries carry the byte before their rotation's start in their top
// bits: checks those and gives the starts.
::testing::AssertionResult lastBytesAttached(const Bytes& block, const std::vector<uint32_t>& order,
                                             std::vector<uint32_t>& starts) {
    const size_t n = block.size();
    starts.clear();
    for (size_t r = 0; r < order.size(); ++r) {
        const uint32_t start = rotationStart(order[r]);
        if (start >= n) return ::testing::AssertionFailure() << "rank " << r << " starts past the end";
        if (lastByteOfRotation(order[r]) != uint8_t(block[(start + n - 1) % n]))
            return ::testing::AssertionFailure() << "rank " << r << " has the wrong last byte";
        starts.push_back(start);
    }
    return ::testing::AssertionSuccess();
}

std::vector<uint32_t> keysOf(const Bytes& block) {
    std::vector<uint32_t> keys(block.size() + kKeyOverhang);
    for (size_t i = 0; i < block.size(); ++i)
        keys[i] = uint32_t(uint8_t(block[i])) << 24;
    return keys;
}

Bytes fibonacciWord(size_t size) {
    Bytes previous = "a", current = "ab";
    while (current.size() < size) {
        Bytes next = current + previous;
        previous = std::move(current);
        current = std::move(next);
    }
    return current.substr(0, size);
}

std::vector<std::pair<const char*, Bytes>> blocks() {
    Bytes acgt = randomBytes(30000, 3);
    for (char& c : acgt)
        c = "ACGT"[uint8_t(c) % 4];
    return {
        {"one byte", "x"},
        {"two equal bytes", "zz"},
        {"small random", randomBytes(700, 1)},
        {"largest shell-sorted", randomBytes(kSmallBlockLimit, 2)},
        {"smallest radix-split", randomBytes(kSmallBlockLimit + 1, 2)},
        {"text", textLike(60000, 4)},
        {"four letters", acgt},
        {"exact period (identical rotations)", periodic("abcde", 3000)},
        {"period with a break", periodic(randomBytes(300, 5), 6000) + "*"},
        {"one byte value", Bytes(3000, '\x07')},
        {"fibonacci word", fibonacciWord(6000)},
        {"bytes at both ends of the range", periodic(Bytes("\0\xFF\xFF\0\xFF", 5), 4099)},
    };
}

TEST(BlockSort, SortRotationsOrdersEveryShapeOfBlock) {
    for (const auto& [name, block] : blocks()) {
        SCOPED_TRACE(name);
        const uint32_t n = uint32_t(block.size());
        std::vector<uint32_t> keys = keysOf(block), order(n), buckets(kBucketTableSize);
        const uint32_t origin = sortRotations(keys.data(), order.data(), buckets.data(), n);
        std::vector<uint32_t> starts;
        ASSERT_TRUE(lastBytesAttached(block, order, starts));
        EXPECT_TRUE(rotationsInOrder(block, starts));
        EXPECT_EQ(starts[origin], 0u);
        for (uint32_t i = 0; i < n; ++i)
            ASSERT_EQ(keys[i] >> 24, uint8_t(block[i]));
    }
}

TEST(BlockSort, SuffixSortOrdersEveryShapeOfBlock) {
    for (const auto& [name, block] : blocks()) {
        SCOPED_TRACE(name);
        std::vector<uint32_t> order(block.size());
        sortRotationsBySuffixes(reinterpret_cast<const uint8_t*>(block.data()), order.data(),
                                uint32_t(block.size()));
        EXPECT_TRUE(rotationsInOrder(block, order));
    }
}

TEST(BlockSort, GradedBucketSortOrdersOrGivesUpWithinItsBudget) {
    const Bytes text = textLike(60000, 6);
    const Bytes repeats = periodic(randomBytes(1000, 7), 30000) + "*";
    for (const Bytes* block : {&text, &repeats}) {
        const uint32_t n = uint32_t(block->size());
        std::vector<uint32_t> keys = keysOf(*block), order(n), buckets(kBucketTableSize);
        splitIntoBuckets(keys.data(), order.data(), buckets.data(), n);
        std::vector<uint32_t> splitKeys = keys, splitOrder = order;
        ASSERT_TRUE(
            gradedBucketSort(keys.data(), order.data(), buckets.data(), n, uint64_t(1) << 40));
        std::vector<uint32_t> starts;
        ASSERT_TRUE(lastBytesAttached(*block, order, starts));
        EXPECT_TRUE(rotationsInOrder(*block, starts));
        // Long repeats cost far more than a small budget, with either quicksort.
        if (block == &repeats) {
            for (bool distinct : {false, true}) {
                std::vector<uint32_t> spentKeys = splitKeys, spentOrder = splitOrder;
                EXPECT_FALSE(gradedBucketSort(spentKeys.data(), spentOrder.data(), buckets.data(),
                                              n, n, distinct));
            }
        }
        // Both blocks have distinct rotations: the faster quicksort gives the same order.
        std::vector<uint32_t> distinctOrder = splitOrder;
        ASSERT_TRUE(gradedBucketSort(splitKeys.data(), distinctOrder.data(), buckets.data(), n,
                                     uint64_t(1) << 40, true));
        EXPECT_EQ(distinctOrder, order);
    }
}

TEST(BlockSort, IdenticalRotationsAreFoundOnlyInRepeatedStrings) {
    const struct {
        const char* name;
        Bytes block;
        bool identical;
    } cases[] = {
        {"one byte", "x", false},
        {"two equal bytes", "zz", true},
        {"two bytes", "zy", false},
        {"abcabc", "abcabc", true},
        {"abcabd", "abcabd", false},
        {"prime length, one value", Bytes(7919, 'a'), true},
        {"prime length, one byte off", Bytes(7918, 'a') + "b", false},
        {"period 6 in 12", "abcdefabcdef", true},
        {"period 4 in 12 (prime factor 3)", "abcdabcdabcd", true},
        {"period 6 cut short", "abcdefabcdefab", false},
        {"random string repeated", periodic(randomBytes(300, 8), 6000), true},
        {"repeated with a break", periodic(randomBytes(300, 8), 6000) + "*", false},
        {"random", randomBytes(6000, 9), false},
        {"block at both ends of the range", periodic(Bytes("\0\xFF\xFF\0\xFF", 5), 4100), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint32_t> keys = keysOf(c.block);
        EXPECT_EQ(hasIdenticalRotations(keys.data(), uint32_t(c.block.size())), c.identical);
    }
}

}  // namespace
