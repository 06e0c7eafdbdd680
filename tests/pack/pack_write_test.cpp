// Writing packs: AddStream, Flush, Remove, Compact, and what they leave in the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "foundation/byte_file.h"
#include "foundation/utf8.h"
#include "pack/pack_check.h"
#include "pack/pack_file.h"
#include "pack/pack_temp_file.h"
#include "tests/pack/pack_test_support.h"

namespace {

using packtest::extract;
using packtest::le32;

TPackEntry* add(TPackFile& pack, const char* name, const std::string& data, uint32_t mode) {
    MemoryFile input(data);
    return pack.AddStream(input, name, mode);
}

class PackWriteTest : public ::testing::Test {
protected:
    std::string File(const char* name = "pack.bin") const { return dir_.File(name); }
    std::string Bytes(const char* name = "pack.bin") const {
        return packtest::readFile(File(name));
    }

    packtest::TempDir dir_;
    packtest::ScopedEnv epoch_{"SOURCE_DATE_EPOCH", "1700000000"};
};

TEST_F(PackWriteTest, NewPackOfOneStoredEntry) {
    {
        TPackFile pack(File().c_str(), true);
        ASSERT_TRUE(pack.HasIndex());
        EXPECT_FALSE(pack.IsFailed());
        TPackEntry* entry = add(pack, "a", "xyz", kPackModeStore);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry, pack.Find("a"));
        EXPECT_TRUE(pack.IsModified());
        pack.Flush();
        EXPECT_FALSE(pack.IsModified());
    }
    const std::string file = Bytes();
    ASSERT_GT(file.size(), 3u + 12u + 16u);
    EXPECT_EQ(file.substr(0, 3), "xyz");
    const std::string index = file.substr(3, file.size() - 3 - 16);
    const std::string body =
        packtest::recordBytes({"a", 0, 3, 3, packCheckValue("xyz", 3), 1700000000, 0});
    EXPECT_EQ(index, packtest::v5Index(body, 1));
    const int32_t fromEnd = -static_cast<int32_t>(index.size() + 16);
    // Version 5, the bits 0x300 every writer set, and 0x400: the names are UTF-8.
    EXPECT_EQ(file.substr(file.size() - 16), packtest::trailer(3, fromEnd, 0x705));
}

TEST_F(PackWriteTest, AChangedOlderPackHoldsUtf8NamesAfterwards) {
    // A pack written when names were bytes in the ANSI code page.
    const std::string ansiName = "Lumen Caf\xE9.8bf";
    packtest::writeFile(File(), packtest::handBuiltPack("stub", {{ansiName, "plug-in", 0}},
                                                        packtest::kFormatWordLegacyNames));
    std::string converted;
    {
        TPackFile pack(File().c_str(), true);
        ASSERT_TRUE(pack.HasIndex());
        ASSERT_NE(pack.GetFirst(), nullptr);
        converted = pack.GetFirst()->name;
        EXPECT_NE(converted, ansiName);
        EXPECT_TRUE(IsValidUtf8(converted));
        ASSERT_NE(add(pack, "readme.txt", "read me", kPackModeStore), nullptr);
    }
    const std::string file = Bytes();
    EXPECT_EQ(file.substr(file.size() - 4), le32(0x705));
    TPackFile pack(File().c_str(), false);
    ASSERT_EQ(pack.GetCount(), 2);
    EXPECT_EQ(extract(pack, converted.c_str()).data, "plug-in");
    EXPECT_EQ(extract(pack, "readme.txt").data, "read me");
    EXPECT_EQ(pack.Find(ansiName.c_str()), nullptr);
}

TEST_F(PackWriteTest, FlagsAndStorageFollowTheMode) {
    const std::string data = "mode data mode data mode data mode data";
    const struct {
        uint32_t mode;
        uint32_t flags;
        PackMethod method;
    } cases[] = {
        {0, 0, PackMethod::Store}, {1, 1, PackMethod::Lz},    {2, 4, PackMethod::Store},
        {3, 5, PackMethod::Block}, {4, 2, PackMethod::Store}, {7, 7, PackMethod::Block},
        // zstd: bit 3 with bit 0, recorded with the block codec's bits.
        {9, 13, PackMethod::Zstd}, {8, 0, PackMethod::Store}, {15, 15, PackMethod::Zstd},
        {packModeZstd(1), 13, PackMethod::Zstd},
    };
    {
        TPackFile pack(File().c_str(), true);
        for (const auto& c : cases)
            ASSERT_NE(add(pack, std::to_string(c.mode).c_str(), data, c.mode), nullptr);
    }
    TPackFile pack(File().c_str(), false);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const TPackEntry* entry = pack.Find(std::to_string(c.mode).c_str());
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->flags, c.flags);
        EXPECT_EQ(entry->Method(), c.method);
        if (c.method == PackMethod::Store) {
            EXPECT_EQ(entry->storedSize, entry->size);
        }
        EXPECT_EQ(extract(pack, entry->name.c_str()).data, data);
        EXPECT_FALSE(pack.IsFailed());
    }
}

using packtest::CollectingSink;

TEST_F(PackWriteTest, RoundTripOfEveryMethod) {
    const std::string text = packtest::golden("text.bin");
    // Pieces that recur at distances on both sides of the LZ codec's 8192-byte
    // reach, over several of the decoders' 256 KiB windows.
    std::string recurring;
    for (uint32_t i = 0; recurring.size() < 1500000; ++i)
        recurring += packtest::randomBytes(1000 + i % 700, i % 7);
    const struct {
        const char* name;
        std::string data;
    } inputs[] = {
        {"empty", ""},
        {"one", "a"},
        {"text", text},
        {"random", packtest::randomBytes(70000, 11)},
        {"runs", std::string(100000, 'z') + text + std::string(5000, '\0')},
        {"recurring", recurring},
    };
    for (uint32_t mode : {kPackModeStore, kPackModeLz, kPackModeBlock, kPackModeZstd}) {
        SCOPED_TRACE(mode);
        const std::string path = File(("m" + std::to_string(mode)).c_str());
        {
            TPackFile pack(path.c_str(), true);
            for (const auto& in : inputs) {
                TPackEntry* entry = add(pack, in.name, in.data, mode);
                ASSERT_NE(entry, nullptr);
                EXPECT_EQ(entry->size, in.data.size());
                EXPECT_EQ(entry->crc, packCheckValue(in.data.data(), in.data.size()));
            }
        }
        TPackFile pack(path.c_str(), false);
        EXPECT_EQ(pack.GetCount(), 6);
        for (const auto& in : inputs) {
            const packtest::Extracted got = extract(pack, in.name);
            EXPECT_TRUE(got.present) << in.name;
            EXPECT_EQ(got.data, in.data) << in.name;
            EXPECT_FALSE(pack.IsFailed()) << in.name;
            CollectingSink sink;
            EXPECT_EQ(pack.ExtractTo(in.name, sink), PackReadStatus::Ok) << in.name;
            EXPECT_EQ(sink.bytes, in.data) << in.name;
            EXPECT_LE(sink.largestPiece, 256u * 1024) << in.name;
        }
    }
}

TEST_F(PackWriteTest, EmptyInputGivesSizeAndCheckValueZero) {
    TPackFile pack(File().c_str(), true);
    for (uint32_t mode : {kPackModeStore, kPackModeLz, kPackModeBlock}) {
        const TPackEntry* entry = add(pack, "empty", "", mode);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->size, 0u);
        EXPECT_EQ(entry->crc, 0u);
    }
}

TEST_F(PackWriteTest, PackBehindExistingContentLeavesItUnchanged) {
    const std::string stub = packtest::randomBytes(5000, 5);
    packtest::writeFile(File(), stub);
    {
        TPackFile pack(File().c_str(), true);
        EXPECT_EQ(pack.GetPackBase(), stub.size());
        ASSERT_NE(add(pack, "one", "first", kPackModeBlock), nullptr);
        pack.Flush();
    }
    EXPECT_EQ(Bytes().substr(0, stub.size()), stub);
    {
        TPackFile pack(File().c_str(), true);
        EXPECT_EQ(pack.GetPackBase(), stub.size());
        ASSERT_NE(add(pack, "two", "second", kPackModeLz), nullptr);
    }
    EXPECT_EQ(Bytes().substr(0, stub.size()), stub);
    TPackFile pack(File().c_str(), false);
    EXPECT_EQ(pack.GetPackBase(), stub.size());
    EXPECT_EQ(pack.Find("one")->offset, 0u);
    EXPECT_EQ(extract(pack, "one").data, "first");
    EXPECT_EQ(extract(pack, "two").data, "second");
}

TEST_F(PackWriteTest, ReplacingAnEntryKeepsTheOldDataUntilCompact) {
    const std::string oldData = packtest::randomBytes(3000, 1);
    {
        TPackFile pack(File().c_str(), true);
        add(pack, "keep", "kept", kPackModeStore);
        add(pack, "x", oldData, kPackModeStore);
        add(pack, "x", "new", kPackModeStore);
        EXPECT_EQ(pack.GetCount(), 2);
    }
    EXPECT_NE(Bytes().find(oldData), std::string::npos);
    {
        TPackFile pack(File().c_str(), true);
        EXPECT_EQ(extract(pack, "x").data, "new");
        pack.Compact();
        EXPECT_FALSE(pack.IsFailed());
    }
    EXPECT_EQ(Bytes().find(oldData), std::string::npos);
    TPackFile pack(File().c_str(), false);
    EXPECT_EQ(extract(pack, "x").data, "new");
    EXPECT_EQ(extract(pack, "keep").data, "kept");
}

TEST_F(PackWriteTest, RemoveAloneDoesNotChangeTheFile) {
    {
        TPackFile pack(File().c_str(), true);
        add(pack, "a", "alpha", kPackModeLz);
        add(pack, "b", "beta", kPackModeBlock);
    }
    const std::string before = Bytes();
    {
        TPackFile pack(File().c_str(), true);
        pack.Remove("a");
        EXPECT_EQ(pack.GetCount(), 1);
        EXPECT_FALSE(pack.IsModified());
    }
    EXPECT_EQ(Bytes(), before);
}

TEST_F(PackWriteTest, CompactKeepsStubAndOtherEntriesAndShrinksTheFile) {
    const std::string stub = packtest::randomBytes(777, 2);
    packtest::writeFile(File(), stub);
    const std::string big = packtest::randomBytes(50000, 3);  // more than one copy piece
    const std::string other = packtest::golden("text.bin");
    {
        TPackFile pack(File().c_str(), true);
        add(pack, "z-last", other, kPackModeBlock);
        add(pack, "dropped", big, kPackModeStore);
        add(pack, "a-first", big, kPackModeLz);
        add(pack, "m-middle", other, kPackModeStore);
    }
    const size_t sizeBefore = Bytes().size();
    {
        TPackFile pack(File().c_str(), true);
        pack.Remove("dropped");
        pack.Compact();
        EXPECT_FALSE(pack.IsFailed());
        // Back to back in name order from the pack base.
        uint32_t expectedOffset = 0;
        for (TPackEntry* e = pack.GetFirst(); e; e = pack.GetNext()) {
            EXPECT_EQ(e->offset, expectedOffset) << e->name;
            expectedOffset += e->storedSize;
        }
        EXPECT_EQ(pack.GetEndOfData(), stub.size() + expectedOffset);
    }
    const std::string after = Bytes();
    EXPECT_LE(after.size(), sizeBefore - big.size());
    EXPECT_EQ(after.substr(0, stub.size()), stub);
    TPackFile pack(File().c_str(), false);
    EXPECT_EQ(pack.GetCount(), 3);
    EXPECT_EQ(pack.Find("dropped"), nullptr);
    EXPECT_EQ(extract(pack, "a-first").data, big);
    EXPECT_EQ(extract(pack, "m-middle").data, other);
    EXPECT_EQ(extract(pack, "z-last").data, other);
    EXPECT_FALSE(pack.IsFailed());
}

TEST_F(PackWriteTest, FlushCutsTheFileWhenTheNewIndexIsShorter) {
    {
        TPackFile pack(File().c_str(), true);
        for (int i = 0; i < 300; ++i)
            add(pack, (std::string(60, 'n') + std::to_string(i * 2654435761u)).c_str(), "",
                kPackModeStore);
        add(pack, "tiny", "t", kPackModeStore);
    }
    {
        TPackFile pack(File().c_str(), true);
        std::vector<std::string> names;
        for (TPackEntry* e = pack.GetFirst(); e; e = pack.GetNext())
            names.push_back(e->name);
        for (const std::string& name : names)
            if (name != "tiny") pack.Remove(name.c_str());
        add(pack, "small", "s", kPackModeStore);
    }
    const std::string file = Bytes();
    EXPECT_EQ(file.substr(file.size() - 16, 4), "sRBV");
    TPackFile pack(File().c_str(), false);
    EXPECT_FALSE(pack.IsFailed());
    EXPECT_EQ(pack.GetCount(), 2);
    EXPECT_EQ(extract(pack, "tiny").data, "t");
    EXPECT_EQ(extract(pack, "small").data, "s");
}

TEST_F(PackWriteTest, SameInputsGiveIdenticalFiles) {
    const std::string text = packtest::golden("text.bin");
    for (const char* name : {"one.bin", "two.bin"}) {
        packtest::writeFile(File(name), "STUB");
        TPackFile pack(File(name).c_str(), true);
        add(pack, "text", text, kPackModeBlock);
        add(pack, "lz", text, kPackModeLz);
        add(pack, "raw", "raw", kPackModeStore);
    }
    EXPECT_EQ(Bytes("one.bin"), Bytes("two.bin"));
}

TEST_F(PackWriteTest, StampComesFromSourceDateEpoch) {
    TPackFile pack(File().c_str(), true);
    EXPECT_EQ(add(pack, "a", "x", 0)->stamp, 1700000000u);
    {
        packtest::ScopedEnv unset("SOURCE_DATE_EPOCH", nullptr);
        const auto before = static_cast<uint32_t>(std::time(nullptr));
        const uint32_t stamp = add(pack, "b", "x", 0)->stamp;
        EXPECT_GE(stamp, before);
        EXPECT_LE(stamp, static_cast<uint32_t>(std::time(nullptr)));
    }
    {
        packtest::ScopedEnv malformed("SOURCE_DATE_EPOCH", "12abc");
        EXPECT_NE(add(pack, "c", "x", 0)->stamp, 12u);
    }
}

TEST_F(PackWriteTest, NameLengthLimit) {
    const std::string longest(kMaxPackNameLength, 'n');
    const std::string tooLong(kMaxPackNameLength + 1, 'n');
    {
        TPackFile pack(File().c_str(), true);
        EXPECT_NE(add(pack, longest.c_str(), "fits", 0), nullptr);
        EXPECT_EQ(add(pack, tooLong.c_str(), "too long", 0), nullptr);
        EXPECT_TRUE(pack.IsFailed());
        EXPECT_EQ(pack.GetCount(), 1);
    }
    TPackFile pack(File().c_str(), false);
    EXPECT_EQ(extract(pack, longest.c_str()).data, "fits");
}

TEST_F(PackWriteTest, NothingIsAddedWithoutAWritablePack) {
    packtest::writeFile(File("plain.txt"), "no pack here");
    TPackFile readOnly(File("plain.txt").c_str(), false);
    EXPECT_EQ(add(readOnly, "x", "data", 0), nullptr);
    readOnly.Remove("x");
    readOnly.Compact();
    EXPECT_TRUE(readOnly.IsFailed());

    {
        TPackFile pack(File().c_str(), true);
        add(pack, "x", "data", 0);
    }
    const std::string before = Bytes();
    TPackFile packReadOnly(File().c_str(), false);
    EXPECT_EQ(add(packReadOnly, "y", "more", 0), nullptr);
    EXPECT_TRUE(packReadOnly.IsFailed());
    EXPECT_EQ(packReadOnly.GetCount(), 1);
    EXPECT_EQ(Bytes("plain.txt"), "no pack here");
    EXPECT_EQ(Bytes(), before);
}

TEST_F(PackWriteTest, FailedAddStreamLeavesAReadablePack) {
    {
        TPackFile pack(File().c_str(), true);
        add(pack, "a", "alpha", kPackModeBlock);
        add(pack, "b", "beta", kPackModeStore);
    }
    for (uint32_t mode : {kPackModeStore, kPackModeLz, kPackModeBlock, kPackModeZstd}) {
        SCOPED_TRACE(mode);
        {
            TPackFile pack(File().c_str(), true);
            // Enough to overwrite the index and trailer; the file claims more.
            packtest::SyntheticFile failing(51000, 'd', 50000);
            EXPECT_EQ(pack.AddStream(failing, "bad", mode), nullptr);
            EXPECT_TRUE(pack.IsFailed());
            EXPECT_EQ(pack.GetCount(), 2);
        }
        TPackFile pack(File().c_str(), false);
        EXPECT_FALSE(pack.IsFailed());
        EXPECT_EQ(pack.GetCount(), 2);
        EXPECT_EQ(extract(pack, "a").data, "alpha");
        EXPECT_EQ(extract(pack, "b").data, "beta");
    }
}

TEST_F(PackWriteTest, UserDataIsKeptAsACopy) {
    TPackFile pack(File().c_str(), true);
    char data[] = "user";
    pack.SetUserData(data, 4);
    data[0] = 'X';
    EXPECT_EQ(std::string(pack.GetUserData().begin(), pack.GetUserData().end()), "user");
    pack.SetUserData(nullptr, 4);
    pack.SetUserData(data, 0);
    pack.SetUserData(data, -1);
    EXPECT_EQ(std::string(pack.GetUserData().begin(), pack.GetUserData().end()), "user");
}

}  // namespace

namespace {

// The variable std::filesystem::temp_directory_path reads first.
#ifdef _WIN32
constexpr const char* kTempVariable = "TMP";
#else
constexpr const char* kTempVariable = "TMPDIR";
#endif

TEST(PackTempFileTest, LeavesNothingBehindAndWorksAsAFile) {
    packtest::TempDir dir;
    const std::filesystem::path folder = dir.File("temp");
    std::filesystem::create_directories(folder);
    packtest::ScopedEnv temp(kTempVariable, folder.string().c_str());
    {
        PackTempFile file;
        ASSERT_TRUE(file.IsOpen());
        EXPECT_EQ(std::filesystem::path(file.CreatedAs()).parent_path(), folder);
        const std::string data = packtest::randomBytes(100000, 9);
        ASSERT_TRUE(file.File().Write(data.data(), data.size()));
        ASSERT_TRUE(file.File().Flush());
        EXPECT_EQ(file.File().Size(), data.size());
        ASSERT_TRUE(file.File().Seek(0));
        std::string back(data.size() + 1, '\0');
        size_t got = 0;
        ASSERT_TRUE(file.File().Read(&back[0], back.size(), got));
        back.resize(got);
        EXPECT_EQ(back, data);
#ifndef _WIN32
        // In use, it has no name: nobody else can open it, and an interrupted
        // compaction cannot leave it behind.
        EXPECT_TRUE(std::filesystem::is_empty(folder));
#endif
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

}  // namespace
