// Reading an entry takes a few megabytes whatever its size: an entry of
// hundreds of megabytes of zeros (a pack of a few kilobytes) is decoded
// through a small window instead of into one block of its size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <istream>
#include <memory>
#include <optional>
#include <string>

#include "pack/pack_file.h"
#include "tests/pack/allocation_counter.h"
#include "tests/pack/pack_test_support.h"

namespace {

constexpr uint64_t kMiB = 1u << 20;
// The decoder's working storage (4.5 MB for the block codec) and windows.
constexpr size_t kReadBound = 12 * kMiB;

// Counts what it is given and that all of it is zero.
class ZeroCountingSink final : public ByteSink {
public:
    bool Write(const void* data, size_t size) override {
        for (size_t i = 0; i < size; ++i)
            nonZero_ += static_cast<const uint8_t*>(data)[i] != 0;
        count_ += size;
        return true;
    }
    uint64_t Count() const { return count_; }
    uint64_t NonZero() const { return nonZero_; }

private:
    uint64_t count_ = 0;
    uint64_t nonZero_ = 0;
};

TEST(PackMemoryTest, EntriesOfZerosAreReadInBoundedMemory) {
    const struct {
        const char* what;
        uint32_t mode;
        uint64_t size;
    } cases[] = {
        {"block codec", kPackModeBlock, 320 * kMiB},
        {"LZ codec", kPackModeLz, 64 * kMiB},
        {"stored", kPackModeStore, 32 * kMiB},
    };
    packtest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Reading the entry whole would take more than the bound by far.
        ASSERT_GT(c.size, 2 * kReadBound);
        const std::string path = dir.File(std::string(c.what) + ".pack");
        {
            TPackFile pack(path.c_str(), true);
            packtest::SyntheticFile zeros(c.size, 0, c.size);
            ASSERT_NE(pack.AddStream(zeros, "zeros", c.mode), nullptr);
        }
        TPackFile pack(path.c_str(), false);
        ASSERT_TRUE(pack.HasIndex());
        ZeroCountingSink sink;
        alloccount::resetPeak();
        const size_t before = alloccount::heldBytes();
        EXPECT_EQ(pack.ExtractTo("zeros", sink), PackReadStatus::Ok);
        EXPECT_LT(alloccount::peakBytes() - before, kReadBound);
        EXPECT_EQ(sink.Count(), c.size);
        EXPECT_EQ(sink.NonZero(), 0u);
        EXPECT_FALSE(pack.IsFailed());
        // The counter sees the decoders' storage: reading the entry whole
        // into one block shows up as what it is.
        if (c.size <= 64 * kMiB) {
            alloccount::resetPeak();
            std::unique_ptr<uint8_t[]> whole(pack.Extract("zeros", true, nullptr));
            ASSERT_NE(whole, nullptr);
            EXPECT_GT(alloccount::peakBytes() - before, c.size);
        }
    }
}

}  // namespace
