// The payload check: entries checked before installation, kept within the
// memory budget, and checked again when they are decoded a second time.
#include "installer/install_payload.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "install_test_support.h"
#include "pack/pack_check.h"
#include "pack/pack_file.h"

namespace {

using installtest::PackItem;
using installtest::SampleBytes;
using installtest::TestFolder;

// The block's bytes; a block also carries their check value.
std::string bytesOf(const std::shared_ptr<const PayloadBlock>& block) {
    if (!block) return "<none>";
    const std::string bytes(reinterpret_cast<const char*>(block->bytes.get()), block->size);
    EXPECT_EQ(block->check, packCheckValue(bytes.data(), bytes.size()));
    return bytes;
}

class PayloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        installtest::WritePack(path_, {{"a", SampleBytes(1000, 1), kPackModeBlock},
                                       {"b", SampleBytes(3000, 2), kPackModeLz},
                                       {"c", SampleBytes(500, 3), kPackModeStore},
                                       {"d", SampleBytes(2000, 4), kPackModeZstd}});
        pack_ = std::make_unique<TPackFile>(path_.c_str(), false);
        ASSERT_FALSE(pack_->IsFailed());
    }
    // Overwrites the first bytes of a stored entry's data in the file.
    void Damage(const std::string& name) {
        const TPackEntry* entry = pack_->Find(name.c_str());
        std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(pack_->GetPackBase() + entry->offset));
        file.write("!!", 2);
    }

    TestFolder folder_;
    std::string path_ = folder_ / "setup.exe";
    std::unique_ptr<TPackFile> pack_;
};

TEST_F(PayloadTest, KeepsWhatFitsTheBudgetAndReleasesAfterTheLastUse) {
    PayloadStore store(*pack_, 1600);
    EXPECT_EQ(store.Check("a"), PayloadFault::None);
    EXPECT_EQ(store.Check("b"), PayloadFault::None);  // 1000 + 3000 does not fit
    EXPECT_EQ(store.Check("c"), PayloadFault::None);  // 1000 + 500 does
    EXPECT_EQ(store.Check("a"), PayloadFault::None);  // a second use, not decoded again
    EXPECT_EQ(store.KeptBytes(), 1500u);

    PayloadFault fault = PayloadFault::Missing;
    EXPECT_EQ(bytesOf(store.Fetch("a", fault)), SampleBytes(1000, 1));
    EXPECT_EQ(fault, PayloadFault::None);
    EXPECT_EQ(store.KeptBytes(), 1500u);  // a is still wanted once more
    EXPECT_EQ(bytesOf(store.Fetch("b", fault)), SampleBytes(3000, 2));
    EXPECT_EQ(bytesOf(store.Fetch("c", fault)), SampleBytes(500, 3));
    EXPECT_EQ(bytesOf(store.Fetch("a", fault)), SampleBytes(1000, 1));
    EXPECT_EQ(store.KeptBytes(), 0u);
}

TEST_F(PayloadTest, AnEntryDecodedAgainIsCheckedAgain) {
    PayloadStore store(*pack_, 0);
    ASSERT_EQ(store.Check("c"), PayloadFault::None);
    Damage("c");
    PayloadFault fault = PayloadFault::None;
    EXPECT_EQ(store.Fetch("c", fault), nullptr);
    EXPECT_EQ(fault, PayloadFault::CheckMismatch);
}

TEST_F(PayloadTest, FaultsOfExtraction) {
    PayloadBlock block;
    EXPECT_EQ(ExtractVerified(*pack_, "missing", block), PayloadFault::Missing);
    EXPECT_EQ(ExtractVerified(*pack_, "b", block), PayloadFault::None);
    EXPECT_EQ(block.size, 3000u);
    EXPECT_EQ(block.check, packCheckValue(block.bytes.get(), block.size));
    Damage("c");
    EXPECT_EQ(ExtractVerified(*pack_, "c", block), PayloadFault::CheckMismatch);
    EXPECT_EQ(block.bytes, nullptr);
    Damage("a");  // the block stream's signature
    EXPECT_EQ(ExtractVerified(*pack_, "a", block), PayloadFault::Undecodable);
    EXPECT_EQ(ExtractVerified(*pack_, "d", block), PayloadFault::None);
    EXPECT_EQ(block.size, 2000u);
    Damage("d");  // the zstd frame's magic
    EXPECT_EQ(ExtractVerified(*pack_, "d", block), PayloadFault::Undecodable);
}

// Checking every use at once, on several threads, keeps the entries and finds
// the fault that one Check after the other keeps and finds.
TEST_F(PayloadTest, CheckAllOnSeveralThreadsFindsWhatOneThreadFinds) {
    const std::vector<std::string> names = {"a", "c", "b", "a", "c", "b"};
    for (const unsigned threads : {1u, 2u, 4u}) {
        SCOPED_TRACE(threads);
        PayloadStore one(*pack_, 1600);
        for (const std::string& name : names)
            ASSERT_EQ(one.Check(name), PayloadFault::None);
        PayloadStore all(*pack_, 1600);
        std::vector<size_t> checked;
        const PayloadCheck check =
            all.CheckAll(names, threads, [&checked](size_t i) { checked.push_back(i); });
        EXPECT_EQ(check.index, names.size());
        EXPECT_EQ(check.fault, PayloadFault::None);
        EXPECT_EQ(checked, (std::vector<size_t>{0, 1, 2, 3, 4, 5}));
        EXPECT_EQ(all.KeptBytes(), one.KeptBytes());
        PayloadFault fault = PayloadFault::Missing;
        for (const std::string& name : names)
            EXPECT_EQ(bytesOf(all.Fetch(name, fault)), bytesOf(one.Fetch(name, fault))) << name;
        EXPECT_EQ(all.KeptBytes(), 0u);
    }
}

TEST_F(PayloadTest, CheckAllNamesTheFirstFaultyUseInOrder) {
    Damage("b");
    Damage("c");
    const struct {
        std::vector<std::string> names;
        size_t index;
        PayloadFault fault;
    } cases[] = {
        {{"a", "c", "b"}, 1, PayloadFault::CheckMismatch},
        {{"a", "a", "b", "c"}, 2, PayloadFault::Undecodable},
        {{"a", "missing", "c"}, 1, PayloadFault::Missing},
        {{"a", "a"}, 2, PayloadFault::None},
    };
    for (const auto& c : cases) {
        for (const unsigned threads : {1u, 2u, 4u}) {
            SCOPED_TRACE(::testing::Message() << c.index << " with " << threads << " threads");
            PayloadStore store(*pack_, kDefaultPayloadBudget);
            std::vector<size_t> checked;
            const PayloadCheck check =
                store.CheckAll(c.names, threads, [&checked](size_t i) { checked.push_back(i); });
            EXPECT_EQ(check.index, c.index);
            EXPECT_EQ(check.fault, c.fault);
            EXPECT_EQ(checked.size(), c.index);
        }
    }
}

}  // namespace
