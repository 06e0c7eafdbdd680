// zstd entries in the pack: what is written, how every reader takes them, and
// every way a damaged zstd entry is refused with nothing handed out as good.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/block_codec.h"
#include "codecs/zstd_codec.h"
#include "foundation/byte_file.h"
#include "pack/pack_check.h"
#include "pack/pack_file.h"
#include "tests/pack/pack_test_support.h"

namespace {

using packtest::extract;
using packtest::Record;

constexpr uint32_t kZstdFlags = kPackFlagCompressed | kPackFlagBlockCodec | kPackFlagZstd;

std::string text(size_t size) {
    std::string s;
    for (uint32_t i = 0; s.size() < size; ++i)
        s += "plug-in " + std::to_string(i % 977) + (i % 5 ? " folder " : "\r\n");
    s.resize(size);
    return s;
}

using packtest::CollectingSink;

// A pack of one entry "e" whose record says size, crc and flags, and whose
// stored bytes are stored (so a record may lie about its frame).
std::string onePack(const std::string& stored, uint32_t size, uint32_t crc,
                    uint32_t flags = kZstdFlags) {
    const Record record{"e", 0, static_cast<uint32_t>(stored.size()), size, crc, 0, flags};
    return packtest::assemblePack("STUB", stored, packtest::v5Index(packtest::recordBytes(record), 1));
}

// Every reader refuses the entry: Extract returns null (or flags the check
// value), ExtractTo and a whole-pack Compact report it.
void expectRefused(const std::string& bytes, PackReadStatus status, const std::string& what) {
    auto pack = packtest::openBytes(bytes);
    ASSERT_TRUE(pack->HasIndex()) << what;
    CollectingSink sink;
    EXPECT_EQ(pack->ExtractTo("e", sink), status) << what;
    EXPECT_TRUE(pack->IsFailed()) << what;
    const packtest::Extracted got = extract(*pack, "e");
    EXPECT_TRUE(!got.present || pack->IsFailed()) << what;
}

// ---------------------------------------------------------------------------
// Writing and reading

TEST(PackZstdTest, RoundTripsThroughEveryReader) {
    packtest::TempDir dir;
    const struct {
        const char* name;
        std::string data;
    } inputs[] = {
        {"empty", ""},
        {"one", "a"},
        {"text", text(3 << 20)},
        {"incompressible", packtest::randomBytes(1 << 20, 21)},
    };
    const std::string path = dir.File("zstd.pack");
    {
        TPackFile pack(path.c_str(), true);
        for (const auto& in : inputs) {
            MemoryFile input(in.data);
            TPackEntry* entry = pack.AddStream(input, in.name, kPackModeZstd);
            ASSERT_NE(entry, nullptr) << in.name;
            EXPECT_EQ(entry->flags, kZstdFlags);
            EXPECT_EQ(entry->Method(), PackMethod::Zstd);
            EXPECT_EQ(entry->size, in.data.size());
        }
        // A stale copy for Compact to drop.
        MemoryFile again(inputs[2].data);
        ASSERT_NE(pack.AddStream(again, "text", packModeZstd(1)), nullptr);
    }
    for (bool compacted : {false, true}) {
        if (compacted) {
            TPackFile pack(path.c_str(), true);
            pack.Compact();
            ASSERT_FALSE(pack.IsFailed());
        }
        TPackFile pack(path.c_str(), false);
        for (const auto& in : inputs) {
            SCOPED_TRACE(in.name);
            EXPECT_EQ(extract(pack, in.name).data, in.data);
            EXPECT_FALSE(pack.IsFailed());
            CollectingSink sink;
            EXPECT_EQ(pack.ExtractTo(in.name, sink), PackReadStatus::Ok);
            EXPECT_TRUE(sink.bytes == in.data);
        }
    }
}

TEST(PackZstdTest, ModeCarriesTheLevel) {
    packtest::TempDir dir;
    const std::string data = text(400000);
    TPackFile pack(dir.File("levels.pack").c_str(), true);
    std::vector<uint32_t> stored;
    for (uint32_t mode : {packModeZstd(1), packModeZstd(19), kPackModeZstd}) {
        MemoryFile input(data);
        const TPackEntry* entry = pack.AddStream(input, std::to_string(mode).c_str(), mode);
        ASSERT_NE(entry, nullptr);
        stored.push_back(entry->storedSize);
    }
    EXPECT_LT(stored[1], stored[0]) << "level 19 packs smaller than level 1";
    EXPECT_EQ(stored[2], stored[1]) << "no level is level 19";
    EXPECT_EQ(packtest::zstdStream(data).size(), stored[1]);
}

// ---------------------------------------------------------------------------
// Damaged entries

TEST(PackZstdTest, DamagedEntriesAreRefused) {
    const std::string data = text(20000);
    const uint32_t crc = packCheckValue(data.data(), data.size());
    const uint32_t size = static_cast<uint32_t>(data.size());
    const std::string frame = packtest::zstdStream(data);
    // A frame whose header asks for a 1 GiB window (descriptor (30-10)<<3),
    // one raw block of one byte.
    const std::string hugeWindow = std::string("\x28\xB5\x2F\xFD\x00\xA0\x09\x00\x00" "a", 10);
    const struct {
        const char* name;
        std::string bytes;
        PackReadStatus status;
    } cases[] = {
        {"cut frame", onePack(frame.substr(0, frame.size() - 3), size, crc),
         PackReadStatus::StoredSizeWrong},
        {"bytes after the frame", onePack(frame + "xyz", size, crc), PackReadStatus::Undecodable},
        {"two frames", onePack(frame + frame, size, crc), PackReadStatus::Undecodable},
        {"record size too small", onePack(frame, size - 1, crc), PackReadStatus::Undecodable},
        {"record size too large", onePack(frame, size + 1, crc), PackReadStatus::Undecodable},
        {"check value wrong", onePack(frame, size, crc ^ 1), PackReadStatus::CheckMismatch},
        {"window of 1 GiB", onePack(hugeWindow, 1, packCheckValue("a", 1)),
         PackReadStatus::Undecodable},
        {"no frame", onePack(data.substr(0, 100), 100, packCheckValue(data.data(), 100)),
         PackReadStatus::Undecodable},
        {"unknown method bit", onePack(frame, size, crc, kZstdFlags | 0x10),
         PackReadStatus::Undecodable},
        {"zstd bit without compression", onePack(frame, size, crc, kPackFlagZstd),
         PackReadStatus::Undecodable},
    };
    for (const auto& c : cases)
        expectRefused(c.bytes, c.status, c.name);
}

// Some bits change nothing (a reserved header bit, a larger window than
// needed, padding): those decode to the same bytes. Every other flip is
// refused; none hands out other bytes as good.
TEST(PackZstdTest, NoFlippedBitGivesOtherBytes) {
    const std::string data = text(3000) + packtest::randomBytes(300, 22);
    const uint32_t crc = packCheckValue(data.data(), data.size());
    const std::string frame = packtest::zstdStream(data);
    // One pack, its index made once: the flips fall in the entry's data,
    // which begin behind the 4-byte stub. Three bits of every byte (low,
    // middle, high) keep the test short under the sanitizers.
    const std::string pack = onePack(frame, static_cast<uint32_t>(data.size()), crc);
    const size_t dataStart = 4;
    size_t refused = 0;
    for (size_t at = 0; at < frame.size(); ++at) {
        for (int bit : {0, 3, 7}) {
            std::string damaged = pack;
            damaged[dataStart + at] = static_cast<char>(damaged[dataStart + at] ^ (1 << bit));
            auto opened = packtest::openBytes(damaged);
            CollectingSink sink;
            if (opened->ExtractTo("e", sink) == PackReadStatus::Ok) {
                EXPECT_TRUE(sink.bytes == data) << "byte " << at << " bit " << bit;
            } else {
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, frame.size() * 3 * 9 / 10) << "nearly every flip is refused";
}

// A reader that knows only the first three methods sees a zstd entry as a
// block codec stream (kPackFlagCompressed | kPackFlagBlockCodec); its block
// decoder must refuse the frame, so that such an installer reports the entry
// damaged instead of installing something else.
TEST(PackZstdTest, BlockDecoderRefusesAZstdFrame) {
    const std::string data = text(5000);
    const std::string frame = packtest::zstdStream(data);
    MemorySource input(frame);
    CollectingSink sink;
    const CodecResult result = decodeBlockStreamTo(input, sink, data.size(), nullptr);
    EXPECT_EQ(result.status, CodecStatus::Corrupt);
    EXPECT_EQ(result.size, 0u);
    EXPECT_TRUE(sink.bytes.empty());

    // The same entry with only the bits such a reader interprets.
    expectRefused(onePack(frame, static_cast<uint32_t>(data.size()),
                          packCheckValue(data.data(), data.size()),
                          kPackFlagCompressed | kPackFlagBlockCodec),
                  PackReadStatus::Undecodable, "read as a block codec stream");
}

}  // namespace
