// Entries coded ahead on other threads (PackPreparedEntry, AddPrepared) and
// read on several threads at once (ReadEntryShared): the same bytes and the
// same findings as one thread working with AddStream and ExtractTo.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "codecs/block_codec.h"
#include "foundation/byte_file.h"
#include "pack/pack_file.h"
#include "pack/pack_prepared_entry.h"
#include "pack/pack_spill_store.h"
#include "tests/pack/pack_test_support.h"

namespace {

struct Sample {
    const char* name;
    std::string data;
    uint32_t mode;
};

// Every method, an empty entry, text, and one of more than one block of the
// block codec (900,000 bytes before run-length pre-coding).
std::vector<Sample> samples() {
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "line " + std::to_string(i * 7 % 113) + " of a readme\n";
    return {
        {"a-empty-block", "", kPackModeBlock},
        {"b-empty-store", "", kPackModeStore},
        {"c-text.lz", text, kPackModeLz},
        {"d-text.block", text, kPackModeBlock},
        {"e-marked", text, kPackModeBlock | kPackModeMark},
        {"f-random.store", packtest::randomBytes(70000, 3), kPackModeStore},
        {"g-large.block",
         packtest::randomBytes(700000, 4) + text + packtest::randomBytes(500000, 5),
         kPackModeBlock},
        {"h-large.lz", packtest::randomBytes(300000, 6), kPackModeLz},
    };
}

class PackParallelTest : public ::testing::Test {
protected:
    packtest::TempDir dir_;
    packtest::ScopedEnv epoch_{"SOURCE_DATE_EPOCH", "1700000000"};
};

// A pack written by AddPrepared is the pack AddStream writes, byte for byte,
// whether the coded bytes stayed in memory or went to a temporary file, and
// whatever thread coded them.
TEST_F(PackParallelTest, PreparedEntriesGiveTheBytesOfAddStream) {
    const std::vector<Sample> entries = samples();
    const std::string stub = "MZ stub bytes";
    const std::string streamed = dir_.File("streamed.exe");
    packtest::writeFile(streamed, stub);
    {
        TPackFile pack(streamed.c_str(), true);
        for (const Sample& sample : entries) {
            MemoryFile input(sample.data);
            ASSERT_NE(pack.AddStream(input, sample.name, sample.mode), nullptr) << sample.name;
        }
    }
    const std::string expected = packtest::readFile(streamed);

    for (const size_t memoryLimit : {kPreparedMemoryLimit, size_t{1000}, size_t{0}}) {
        SCOPED_TRACE(memoryLimit);
        std::vector<std::unique_ptr<PackPreparedEntry>> prepared(entries.size());
        std::vector<std::thread> coders;
        for (size_t i = 0; i < entries.size(); ++i) {
            prepared[i] = std::make_unique<PackPreparedEntry>(memoryLimit);
            coders.emplace_back([&entries, &prepared, i] {
                MemoryFile input(entries[i].data);
                BlockCompressor compressor;
                prepared[i]->Prepare(input, entries[i].mode, nullptr, &compressor);
            });
        }
        for (std::thread& coder : coders)
            coder.join();

        const std::string appended = dir_.File("appended-" + std::to_string(memoryLimit) + ".exe");
        packtest::writeFile(appended, stub);
        {
            TPackFile pack(appended.c_str(), true);
            for (size_t i = 0; i < entries.size(); ++i) {
                ASSERT_TRUE(prepared[i]->IsPrepared()) << entries[i].name;
                EXPECT_EQ(prepared[i]->Coded().size, entries[i].data.size());
                EXPECT_EQ(prepared[i]->Stored().Spilled() > 0,
                          prepared[i]->Coded().storedSize > memoryLimit);
                TPackEntry* entry = pack.AddPrepared(*prepared[i], entries[i].name);
                ASSERT_NE(entry, nullptr) << entries[i].name;
                EXPECT_FALSE(pack.IsFailed());
            }
        }
        EXPECT_TRUE(packtest::readFile(appended) == expected);
    }
}

TEST_F(PackParallelTest, AddPreparedRefusesWhatAddStreamRefuses) {
    PackPreparedEntry notPrepared;
    PackPreparedEntry prepared;
    MemoryFile input("data");
    ASSERT_TRUE(prepared.Prepare(input, kPackModeLz));

    TPackFile pack(dir_.File("pack.bin").c_str(), true);
    EXPECT_EQ(pack.AddPrepared(notPrepared, "a"), nullptr);
    EXPECT_TRUE(pack.IsFailed());
    EXPECT_EQ(pack.AddPrepared(prepared, std::string(kMaxPackNameLength + 1, 'n').c_str()),
              nullptr);
    EXPECT_EQ(pack.GetCount(), 0);

    TPackFile readOnly(dir_.File("pack.bin").c_str(), false);
    EXPECT_EQ(readOnly.AddPrepared(prepared, "a"), nullptr);

    TPackEntry* entry = pack.AddPrepared(prepared, "a");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(packtest::extract(pack, "a").data, "data");
}

// A spill store hands back exactly what it took, across the memory limit.
TEST_F(PackParallelTest, SpillStoreKeepsBytesInOrder) {
    const std::string bytes = packtest::randomBytes(100000, 9);
    for (const size_t limit :
         {size_t{0}, size_t{1}, size_t{40000}, size_t{100000}, size_t{1} << 20}) {
        PackSpillStore store(limit);
        ASSERT_TRUE(store.Write(bytes.data(), 12345));
        ASSERT_TRUE(store.Write(bytes.data() + 12345, 1));
        ASSERT_TRUE(store.Write(bytes.data() + 12346, bytes.size() - 12346));
        EXPECT_FALSE(store.Failed());
        EXPECT_EQ(store.Size(), bytes.size());
        EXPECT_EQ(store.Spilled(), bytes.size() - std::min(limit, bytes.size()));
        StringSink copy;
        ASSERT_TRUE(store.CopyTo(copy));
        EXPECT_TRUE(copy.bytes == bytes) << "limit " << limit;
    }
}

// Several threads reading one object's entries at once find what one thread
// finds: good entries decode to their bytes, each damaged one has its status.
TEST_F(PackParallelTest, SharedReadingFindsWhatOneThreadFinds) {
    const std::vector<Sample> entries = samples();
    std::vector<packtest::HandEntry> hand;
    for (const Sample& sample : entries) {
        const uint32_t flags = sample.mode == kPackModeStore ? 0
                               : sample.mode == kPackModeLz  ? 1
                                                             : 5;
        hand.push_back({sample.name, sample.data, flags});
    }
    std::string bytes = packtest::handBuiltPack("stub", hand);
    // Damage the middle of two entries' data: a text and the large stream.
    auto pack = packtest::openBytes(bytes);
    const size_t base = 4;
    for (const char* name : {"d-text.block", "g-large.block"}) {
        const TPackEntry* entry = pack->Find(name);
        ASSERT_NE(entry, nullptr);
        bytes[base + entry->offset + entry->storedSize / 2] ^= 0x5A;
    }
    pack = packtest::openBytes(bytes);

    std::vector<TPackEntry> records;
    for (const TPackEntry* entry = pack->GetFirst(); entry; entry = pack->GetNext())
        records.push_back(*entry);
    std::vector<PackReadStatus> alone;
    for (const TPackEntry& record : records) {
        DiscardingSink discard;
        alone.push_back(pack->ExtractTo(record.name, discard));
    }
    EXPECT_NE(alone[3], PackReadStatus::Ok);
    EXPECT_NE(alone[6], PackReadStatus::Ok);

    for (int round = 0; round < 3; ++round) {
        std::vector<PackReadStatus> shared(records.size());
        std::vector<std::string> decoded(records.size());
        std::vector<std::thread> readers;
        for (size_t i = 0; i < records.size(); ++i) {
            readers.emplace_back([&, i] {
                std::string out(records[i].size, '\0');
                PackBlockSink sink(reinterpret_cast<uint8_t*>(&out[0]), out.size());
                shared[i] = pack->ReadEntryShared(records[i], sink, nullptr);
                decoded[i] = out;
            });
        }
        for (std::thread& reader : readers)
            reader.join();
        for (size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(shared[i], alone[i]) << records[i].name;
            if (alone[i] == PackReadStatus::Ok) {
                EXPECT_TRUE(decoded[i] == entries[i].data) << records[i].name;
            }
        }
    }
}

}  // namespace
