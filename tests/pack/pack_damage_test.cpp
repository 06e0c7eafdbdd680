// Damaged packs: every case ends in a null result or an empty index with
// IsFailed set, never in a crash, a write past a block or a hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/byte_file.h"
#include "pack/pack_check.h"
#include "pack/pack_file.h"
#include "tests/pack/pack_test_support.h"

namespace {

using packtest::extract;
using packtest::Record;

// Opens bytes and extracts every entry with verification: whatever is
// returned without IsFailed must be exactly what the record claims.
void expectNoSilentDamage(const std::string& bytes, const std::string& what) {
    auto pack = packtest::openBytes(bytes);
    if (!pack->HasIndex()) {
        EXPECT_TRUE(pack->IsFailed()) << what;
        EXPECT_EQ(pack->GetCount(), 0) << what;
        return;
    }
    std::vector<std::string> names;
    for (TPackEntry* e = pack->GetFirst(); e; e = pack->GetNext())
        names.push_back(e->name);
    for (const std::string& name : names) {
        const TPackEntry* entry = pack->Find(name.c_str());
        const uint32_t crc = entry->crc;
        const uint32_t size = entry->size;
        const packtest::Extracted got = extract(*pack, name.c_str());
        if (got.present && !pack->IsFailed()) {
            EXPECT_EQ(got.size, size) << what << ' ' << name;
            EXPECT_EQ(packCheckValue(got.data.data(), got.data.size()), crc) << what << ' ' << name;
        }
    }
}

std::string goodPack() {
    return packtest::handBuiltPack(
        "STUB", {{"block", packtest::golden("text.bin").substr(0, 700), 5},
                 {"lz", packtest::randomBytes(600, 4) + std::string(300, 'q'), 1},
                 {"stored", "stored bytes", 0},
                 {"zstd", packtest::golden("text.bin").substr(300, 500), 13}});
}

TEST(PackDamageTest, TruncatedFiles) {
    const std::string pack = goodPack();
    // Cut at the end, as an interrupted download leaves it: the trailer is gone.
    for (size_t length = 0; length < pack.size(); ++length)
        expectNoSilentDamage(pack.substr(0, length), "length " + std::to_string(length));
    // Bytes missing before an intact trailer: every pointer now lands elsewhere.
    for (size_t at = 0; at + 16 < pack.size(); at += 3) {
        for (size_t missing : {size_t{1}, size_t{7}, size_t{200}}) {
            const size_t end = std::min(at + missing, pack.size() - 16);
            expectNoSilentDamage(pack.substr(0, at) + pack.substr(end),
                                 "cut at " + std::to_string(at) + " of " + std::to_string(missing));
        }
    }
}

TEST(PackDamageTest, FlippedBytesAnywhere) {
    const std::string pack = goodPack();
    for (size_t at = 0; at < pack.size(); ++at) {
        for (uint8_t mask : {0x01, 0xFF}) {
            std::string damaged = pack;
            damaged[at] = static_cast<char>(damaged[at] ^ mask);
            expectNoSilentDamage(damaged,
                                 "byte " + std::to_string(at) + " ^ " + std::to_string(mask));
        }
    }
}

TEST(PackDamageTest, DamagedIndexLeavesNoIndex) {
    const std::string data = "0123456789";
    const std::string record =
        packtest::recordBytes({"x", 0, 10, 10, packCheckValue(data.data(), 10), 0, 0});
    std::string negativeName = record;
    negativeName[1] = static_cast<char>(0x80);  // the 16-bit name length becomes negative
    // Read as text, the name would be "x": another entry, or a disk file.
    const std::string zeroInName = packtest::recordBytes(
        {std::string("x\0hidden", 8), 0, 10, 10, packCheckValue(data.data(), 10), 0, 0});
    const struct {
        const char* what;
        std::string index;
    } cases[] = {
        {"magic not ix50", "ix49" + packtest::v5Index(record, 1).substr(4)},
        {"body longer than recorded",
         packtest::v5Index(record + record, 1, static_cast<uint32_t>(record.size()))},
        {"body shorter than recorded",
         packtest::v5Index(record, 1, static_cast<uint32_t>(record.size() + 1))},
        {"records overrun the body",
         packtest::v5Index(record, 2, static_cast<uint32_t>(record.size()))},
        {"bytes after the last record", packtest::v5Index(record + "zz", 1)},
        {"negative name length", packtest::v5Index(negativeName, 1)},
        {"name holding a zero byte", packtest::v5Index(zeroInName, 1)},
        {"body not a block codec stream", "ix50" +
                                              packtest::le32(static_cast<uint32_t>(record.size())) +
                                              packtest::le32(1) + record},
        {"index stream cut short", packtest::v5Index(record, 1).substr(0, 20)},
        {"huge recorded body",
         "ix50" + packtest::le32(0xFFFFFFF0u) + packtest::le32(1) + packtest::blockStream(record)},
    };
    packtest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bytes = packtest::assemblePack("", data, c.index);
        auto pack = packtest::openBytes(bytes);
        EXPECT_FALSE(pack->HasIndex());
        EXPECT_TRUE(pack->IsFailed());
        EXPECT_EQ(pack->GetCount(), 0);
        // Opened writable, the damaged pack is left alone rather than replaced.
        packtest::writeFile(dir.File("p.bin"), bytes);
        {
            TPackFile writable(dir.File("p.bin").c_str(), true);
            EXPECT_FALSE(writable.HasIndex());
            EXPECT_TRUE(writable.IsFailed());
            MemoryFile input("new");
            EXPECT_EQ(writable.AddStream(input, "y", 0), nullptr);
        }
        EXPECT_EQ(packtest::readFile(dir.File("p.bin")), bytes);
    }
}

TEST(PackDamageTest, TrailerPointingOutsideTheFile) {
    const std::string body = std::string(100, 'x');
    const struct {
        const char* what;
        uint32_t indexOffset;
        int32_t indexFromEnd;
    } cases[] = {
        {"index before the file's start", 0, -200},
        {"index inside the trailer", 0, -8},
        {"index behind the file", 0, 50},
        {"pack base before the file's start", 101, -16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto pack =
            packtest::openBytes(body + packtest::trailer(c.indexOffset, c.indexFromEnd, 0x305));
        EXPECT_FALSE(pack->HasIndex());
        EXPECT_TRUE(pack->IsFailed());
    }
}

struct EntryCase {
    const char* what;
    std::string data;
    Record record;
};

TEST(PackDamageTest, EntriesThatCannotBeReadWholeGiveNull) {
    const std::string text = packtest::golden("text.bin").substr(0, 400);
    const uint32_t crc = packCheckValue(text.data(), text.size());
    const std::string block = packtest::blockStream(text);
    const std::string lz = packtest::lzStream(text);
    const auto n = static_cast<uint32_t>(text.size());
    const auto blockSize = static_cast<uint32_t>(block.size());
    const auto lzSize = static_cast<uint32_t>(lz.size());
    const EntryCase cases[] = {
        {"block stream longer than size", block, {"e", 0, blockSize, n - 1, crc, 0, 5}},
        {"block stream shorter than size", block, {"e", 0, blockSize, n + 1, crc, 0, 5}},
        {"LZ stream longer than size", lz, {"e", 0, lzSize, n - 1, crc, 0, 1}},
        {"LZ stream shorter than size", lz, {"e", 0, lzSize, n + 1, crc, 0, 1}},
        {"block codec rejects the stream", text, {"e", 0, n, n, crc, 0, 5}},
        {"stored data beyond the end of data", text, {"e", 1, n, n, crc, 0, 0}},
        {"offset far outside the file", text, {"e", 0xFFFFFF00u, n, n, crc, 0, 0}},
        {"stored size beyond the end of data", block, {"e", 0, blockSize + 1, n, crc, 0, 5}},
        {"size too large to allocate", block, {"e", 0, blockSize, 0xFFFFFFFFu, crc, 0, 5}},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto pack = packtest::openBytes(packtest::assemblePack(
            "", c.data, packtest::v5Index(packtest::recordBytes(c.record), 1)));
        ASSERT_TRUE(pack->HasIndex());
        uint32_t size = 0;
        EXPECT_EQ(pack->Extract("e", false, &size), nullptr);
        EXPECT_TRUE(pack->IsFailed());
    }
}

TEST(PackDamageTest, LzStreamRunningOutOfInput) {
    // The LZ stream of the last entry is cut in half: the decoder runs on
    // through the index and trailer into the end of the file. The recorded
    // size is ample, so the decoder is stopped by the input, not the block.
    const std::string text = packtest::golden("text.bin");
    const std::string lz = packtest::lzStream(text);
    const std::string cut = lz.substr(0, lz.size() / 2);
    const Record record{
        "e", 0, static_cast<uint32_t>(cut.size()), static_cast<uint32_t>(10 * text.size()), 0,
        0,   1};
    auto pack = packtest::openBytes(
        packtest::assemblePack("", cut, packtest::v5Index(packtest::recordBytes(record), 1)));
    ASSERT_TRUE(pack->HasIndex());
    uint32_t size = 0;
    EXPECT_EQ(pack->Extract("e", false, &size), nullptr);
    EXPECT_TRUE(pack->IsFailed());
}

TEST(PackDamageTest, DataThatDoNotEndAtTheirStoredSizeAreDamaged) {
    const std::string text = packtest::golden("text.bin").substr(0, 400);
    const uint32_t crc = packCheckValue(text.data(), text.size());
    const std::string block = packtest::blockStream(text);
    const std::string lz = packtest::lzStream(text);
    const auto n = static_cast<uint32_t>(text.size());
    const auto blockSize = static_cast<uint32_t>(block.size());
    const auto lzSize = static_cast<uint32_t>(lz.size());
    // The entry's data are followed by another entry's, as in any pack: a
    // stored size too small leaves the tail of the stream to look like
    // dead space, one too large takes in the next entry's first bytes.
    const std::string next = "next entry";
    const EntryCase cases[] = {
        {"block stream runs past its stored size", block, {"e", 0, blockSize - 3, n, crc, 0, 5}},
        {"block stream ends before its stored size", block, {"e", 0, blockSize + 2, n, crc, 0, 5}},
        {"LZ stream runs past its stored size", lz, {"e", 0, lzSize - 1, n, crc, 0, 1}},
        {"LZ stream ends before its stored size", lz, {"e", 0, lzSize + 4, n, crc, 0, 1}},
        {"stored data shorter than their size", text, {"e", 0, n - 1, n, crc, 0, 0}},
        {"stored data longer than their size", text, {"e", 0, n + 1, n, crc, 0, 0}},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.what);
        const packtest::Record following{"next", static_cast<uint32_t>(c.data.size()),
                                         static_cast<uint32_t>(next.size()),
                                         static_cast<uint32_t>(next.size()),
                                         packCheckValue(next.data(), next.size()), 0, 0};
        auto pack = packtest::openBytes(packtest::assemblePack(
            "", c.data + next,
            packtest::v5Index(packtest::recordBytes(c.record) + packtest::recordBytes(following),
                              2)));
        ASSERT_TRUE(pack->HasIndex());
        DiscardingSink discard;
        EXPECT_EQ(pack->ExtractTo("e", discard), PackReadStatus::StoredSizeWrong);
        EXPECT_TRUE(pack->IsFailed());
        EXPECT_EQ(pack->Extract("e", false, nullptr), nullptr);
        EXPECT_TRUE(pack->IsFailed());
        EXPECT_EQ(pack->ExtractTo("next", discard), PackReadStatus::Ok);
    }
}

TEST(PackDamageTest, CompactLeavesADamagedPackUnchanged) {
    const std::string text = packtest::golden("text.bin").substr(0, 400);
    const uint32_t crc = packCheckValue(text.data(), text.size());
    const std::string block = packtest::blockStream(text);
    const auto n = static_cast<uint32_t>(text.size());
    const auto blockSize = static_cast<uint32_t>(block.size());
    const std::string digits = "0123456789";
    const uint32_t digitsCrc = packCheckValue(digits.data(), digits.size());
    const struct {
        const char* what;
        std::string data;
        std::vector<Record> records;
        PackEntryDamage damage;
    } cases[] = {
        // The second record claims more bytes than the file holds.
        {"data beyond the end of the file",
         digits,
         {{"a", 0, 10, 10, digitsCrc, 0, 0}, {"b", 5, 0x7FFFFFFF, 5, 0, 0, 0}},
         {"b", PackReadStatus::DataOutside}},
        // Compacted by its stored size, the block stream would lose its tail
        // and take the next entry's first bytes in its place.
        {"stream running past its stored size",
         block + digits,
         {{"a", 0, blockSize - 3, n, crc, 0, 5}, {"b", blockSize, 10, 10, digitsCrc, 0, 0}},
         {"a", PackReadStatus::StoredSizeWrong}},
        {"check value mismatch",
         digits + block,
         {{"a", 0, 10, 10, digitsCrc ^ 1, 0, 0}, {"b", 10, blockSize, n, crc, 0, 5}},
         {"a", PackReadStatus::CheckMismatch}},
    };
    packtest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string body;
        for (const Record& record : c.records)
            body += packtest::recordBytes(record);
        const std::string bytes = packtest::assemblePack(
            "STUB", c.data, packtest::v5Index(body, static_cast<uint32_t>(c.records.size())));
        packtest::writeFile(dir.File("p.bin"), bytes);
        {
            TPackFile pack(dir.File("p.bin").c_str(), true);
            ASSERT_TRUE(pack.HasIndex());
            pack.Compact();
            EXPECT_TRUE(pack.IsFailed());
            EXPECT_EQ(pack.GetCompactDamage().name, c.damage.name);
            EXPECT_EQ(pack.GetCompactDamage().status, c.damage.status);
        }
        EXPECT_EQ(packtest::readFile(dir.File("p.bin")), bytes);
    }
}

}  // namespace
