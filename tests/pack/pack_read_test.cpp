// Reading packs: trailer and index, old tables, look-up, order, Extract.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/code_page.h"
#include "pack/pack_check.h"
#include "pack/pack_file.h"
#include "tests/pack/pack_test_support.h"

namespace {

using packtest::extract;
using packtest::HandEntry;
using packtest::Record;

TEST(PackReadTest, TrailerLocatesIndexAndPackBase) {
    // 900 bytes: a 284-byte stub, 500 bytes of data, a 100-byte index and the
    // trailer "sRBV", indexOffset 500, indexFromEnd -116, formatWord 0x305.
    const std::string stub(284, 'S');
    const std::string data = packtest::randomBytes(500, 1);
    Record record{"x", 0, 500, 500, packCheckValue(data.data(), data.size()), 0, 0};
    std::string index = packtest::v5Index(packtest::recordBytes(record), 1);
    ASSERT_LE(index.size(), 100u);
    index.resize(100, '\0');  // the decoder stops at the end of its stream
    const std::string file = stub + data + index + packtest::trailer(500, -116, 0x305);
    ASSERT_EQ(file.size(), 900u);

    packtest::TempDir dir;
    packtest::writeFile(dir.File("p.bin"), file);
    TPackFile pack(dir.File("p.bin").c_str(), false);
    EXPECT_FALSE(pack.IsFailed());
    EXPECT_EQ(pack.GetEndOfData(), 784u);
    EXPECT_EQ(pack.GetPackBase(), 284u);
    EXPECT_EQ(pack.GetFormatVersion(), 5u);
    EXPECT_EQ(extract(pack, "x").data, data);
    EXPECT_FALSE(pack.IsFailed());
}

TEST(PackReadTest, FilesWithoutReadablePackHaveNoIndex) {
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"shorter than a trailer", std::string(15, 'x')},
        {"foreign ending", std::string(900, 'x')},
        {"version 6", std::string(100, 'x') + packtest::trailer(0, -16, 0x306)},
        {"version 15", std::string(100, 'x') + packtest::trailer(0, -16, 0x30F)},
    };
    packtest::TempDir dir;
    const std::string disk = dir.File("on-disk.txt");
    packtest::writeFile(disk, "disk bytes");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        packtest::writeFile(dir.File("p.bin"), c.bytes);
        TPackFile pack(dir.File("p.bin").c_str(), false);
        EXPECT_FALSE(pack.HasIndex());
        EXPECT_TRUE(pack.IsFailed());
        EXPECT_EQ(pack.GetCount(), 0);
        EXPECT_EQ(pack.Find(""), nullptr);
        EXPECT_EQ(pack.GetFirst(), nullptr);
        EXPECT_EQ(pack.GetNext(), nullptr);
        const packtest::Extracted fromDisk = extract(pack, disk.c_str());
        EXPECT_TRUE(fromDisk.present);
        EXPECT_EQ(fromDisk.data, "disk bytes");
        EXPECT_EQ(fromDisk.size, 10u);
    }
    TPackFile missing(dir.File("missing.bin").c_str(), false);
    EXPECT_FALSE(missing.HasIndex());
    EXPECT_TRUE(missing.IsFailed());
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.bin")));
}

struct GoldenEntry {
    const char* name;
    PackMethod method;
    uint32_t offset, storedSize, size, crc, flags;
    std::string data;
};

// Reads the golden pack file (pack base 16, stamps 0) and every entry in it,
// in name order, exactly as expected.
void expectGoldenPack(const char* file, const std::vector<GoldenEntry>& expected) {
    TPackFile pack((std::string(NERRO_GOLDEN_DIR) + "/" + file).c_str(), false);
    ASSERT_TRUE(pack.HasIndex());
    EXPECT_FALSE(pack.IsFailed());
    EXPECT_EQ(pack.GetPackBase(), 16u);
    ASSERT_EQ(pack.GetCount(), static_cast<int>(expected.size()));

    TPackEntry* entry = pack.GetFirst();
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry, pack.Find(e.name));
        EXPECT_EQ(entry->name, e.name);
        EXPECT_EQ(entry->Method(), e.method);
        EXPECT_EQ(entry->offset, e.offset);
        EXPECT_EQ(entry->storedSize, e.storedSize);
        EXPECT_EQ(entry->size, e.size);
        EXPECT_EQ(entry->crc, e.crc);
        EXPECT_EQ(entry->stamp, 0u);
        EXPECT_EQ(entry->flags, e.flags);
        const packtest::Extracted got = extract(pack, e.name);
        EXPECT_TRUE(got.present);
        EXPECT_EQ(got.size, e.size);
        EXPECT_EQ(got.data, e.data);
        EXPECT_FALSE(pack.IsFailed());
        entry = pack.GetNext();
    }
    EXPECT_EQ(entry, nullptr);
}

// The golden pack was written by an independent implementation of the format.
TEST(PackReadTest, GoldenPackReadsBack) {
    expectGoldenPack("small.pack",
                     {
                         {"notes.txt", PackMethod::Block, 3377, 125, 500, 0x836f36af, 5,
                          packtest::golden("text.bin").substr(0, 500)},
                         {"plugin.dll", PackMethod::Lz, 2223, 1154, 1025, 0xc54b430e, 1,
                          packtest::golden("random1025.bin")},
                         {"readme.txt", PackMethod::Store, 0, 2223, 2223, 0xafc487d8, 0,
                          packtest::golden("text.bin")},
                     });
}

// The golden pack with zstd entries (flags 13) beside a block codec one.
TEST(PackReadTest, GoldenZstdPackReadsBack) {
    expectGoldenPack("zstd.pack",
                     {
                         {"empty", PackMethod::Zstd, 1241, 9, 0, 0, 13, ""},
                         {"notes.txt", PackMethod::Block, 1250, 125, 500, 0x836f36af, 5,
                          packtest::golden("text.bin").substr(0, 500)},
                         {"plugin.dll", PackMethod::Zstd, 206, 1035, 1025, 0xc54b430e, 13,
                          packtest::golden("random1025.bin")},
                         {"readme.txt", PackMethod::Zstd, 0, 206, 2223, 0xafc487d8, 13,
                          packtest::golden("text.bin")},
                     });
}

TEST(PackReadTest, NamesAreOrderedByUnsignedBytes) {
    const std::vector<std::string> scrambled = {"b", "\x80", "ab",   "A",    "",
                                                "a", "B",    "\xff", "a\x01"};
    const std::vector<std::string> ordered = {"",   "A", "B",    "a",   "a\x01",
                                              "ab", "b", "\x80", "\xff"};
    std::vector<HandEntry> entries;
    for (const std::string& name : scrambled)
        entries.push_back({name, "data of " + name, 0});
    auto pack = packtest::openBytes(packtest::handBuiltPack("", entries));
    ASSERT_EQ(pack->GetCount(), static_cast<int>(ordered.size()));
    std::vector<std::string> seen;
    for (TPackEntry* e = pack->GetFirst(); e; e = pack->GetNext())
        seen.push_back(e->name);
    EXPECT_EQ(seen, ordered);
    // Case matters: "a" and "A" are two entries with their own data.
    EXPECT_EQ(extract(*pack, "a").data, "data of a");
    EXPECT_EQ(extract(*pack, "A").data, "data of A");
    EXPECT_EQ(pack->Find(nullptr), pack->Find(""));
}

TEST(PackReadTest, LaterRecordOfTheSameNameWins) {
    const std::string data = "firstsecond";
    const std::string body =
        packtest::recordBytes({"x", 0, 5, 5, packCheckValue("first", 5), 0, 0}) +
        packtest::recordBytes({"x", 5, 6, 6, packCheckValue("second", 6), 0, 0});
    auto pack = packtest::openBytes(packtest::assemblePack("", data, packtest::v5Index(body, 2)));
    EXPECT_EQ(pack->GetCount(), 1);
    EXPECT_EQ(extract(*pack, "x").data, "second");
    EXPECT_FALSE(pack->IsFailed());
}

// Old tables: fixed-size records, names padded with zero bytes.
std::string oldRecord(const std::string& name, size_t nameField, uint32_t offset, uint32_t size,
                      uint32_t crc) {
    std::string record = name;
    record.resize(nameField, '\0');
    return record + packtest::le32(offset) + packtest::le32(size) + packtest::le32(size) +
           packtest::le32(crc) + packtest::le32(0xAAAAAAAA) + packtest::le32(0);
}

TEST(PackReadTest, OldTablesOfVersionsZeroToFour) {
    const std::string one = "first entry";
    const std::string two = "second";
    const uint32_t crcOne = packCheckValue(one.data(), one.size());
    const uint32_t crcTwo = packCheckValue(two.data(), two.size());
    const std::string name24 = "abcdefghijklmnopqrstuvwx";  // fills its field: no zero byte
    const std::string name40 = "a name of forty bytes, filling the field";
    ASSERT_EQ(name40.size(), 40u);
    const std::string table48 =
        oldRecord(name24, 24, 0, 11, crcOne) + oldRecord("b", 24, 11, 6, crcTwo);
    const std::string table64 =
        oldRecord(name40, 40, 0, 11, crcOne) + oldRecord("b", 40, 11, 6, crcTwo);
    const struct {
        const char* what;
        uint32_t formatWord;
        std::string index;
        std::string firstName;
    } cases[] = {
        {"version 4, raw 48-byte records", 0x004, packtest::le32(2) + table48, name24},
        {"version 0, raw 64-byte records", 0x200, packtest::le32(2) + table64, name40},
        {"version 3, compressed 64-byte records", 0x103,
         packtest::le32(2) + packtest::blockStream(table64), name40},
    };
    packtest::ScopedEnv epoch("SOURCE_DATE_EPOCH", "1234567");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto pack =
            packtest::openBytes(packtest::assemblePack("stub", one + two, c.index, c.formatWord));
        ASSERT_TRUE(pack->HasIndex());
        EXPECT_FALSE(pack->IsFailed());
        EXPECT_EQ(pack->GetPackBase(), 4u);
        ASSERT_EQ(pack->GetCount(), 2);
        const TPackEntry* first = pack->Find(c.firstName.c_str());
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->stamp, 1234567u);  // conversion time, not the ignored field
        EXPECT_EQ(extract(*pack, c.firstName.c_str()).data, one);
        EXPECT_EQ(extract(*pack, "b").data, two);
        EXPECT_FALSE(pack->IsFailed());
    }
}

// A name as the system's ANSI code page reads it: off Windows 1252 stands
// in for that code page; on Windows it is the system's own.
std::string nameFromSystemCodePage(const std::string& bytes, const std::string& in1252) {
#ifdef _WIN32
    (void)in1252;
    std::string utf8;
    EXPECT_TRUE(CodePageToUtf8(kSystemCodePage, bytes, utf8));
    return utf8;
#else
    (void)bytes;
    return in1252;
#endif
}

TEST(PackReadTest, NamesOfOlderPacksBecomeUtf8) {
    const std::string cafeAnsi = "Lumen Caf\xE9.8bf";
    const std::string cafe = nameFromSystemCodePage(cafeAnsi, "Lumen Caf\xC3\xA9.8bf");
    const std::string lodz = "\xC5\x81\xC3\xB3\x64\xC5\xBA\\plug-in.8bf";  // "Łódź\plug-in.8bf"
    const std::string data = "plug-in bytes";
    const uint32_t crc = packCheckValue(data.data(), data.size());
    const auto versionFive = [&](const std::string& name, uint32_t formatWord) {
        return packtest::handBuiltPack("stub", {{name, data, 0}, {"Nerro.ini", "[General]", 0}},
                                       formatWord);
    };
    const auto versionFour = [&](const std::string& name) {
        const std::string table = oldRecord(name, 24, 0, 13, crc) +
                                  oldRecord("Nerro.ini", 24, 13, 9, packCheckValue("[General]", 9));
        return packtest::assemblePack("stub", data + "[General]", packtest::le32(2) + table, 0x004);
    };
    const struct {
        const char* what;
        std::string pack;
        std::string oldName;
        std::string name;  // as read
    } cases[] = {
        {"a Western name, version 5", versionFive(cafeAnsi, packtest::kFormatWordLegacyNames),
         cafeAnsi, cafe},
        {"a Western name, version 4", versionFour(cafeAnsi), cafeAnsi, cafe},
        {"a name in UTF-8 already", versionFive(lodz, packtest::kFormatWordLegacyNames), lodz,
         lodz},
        {"an ASCII name", versionFive("docs\\readme.txt", packtest::kFormatWordLegacyNames),
         "docs\\readme.txt", "docs\\readme.txt"},
        // A pack that says its names are UTF-8 is taken at its word.
        {"a name in a pack of UTF-8 names", versionFive(cafeAnsi, packtest::kFormatWordUtf8Names),
         cafeAnsi, cafeAnsi},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto pack = packtest::openBytes(c.pack);
        ASSERT_TRUE(pack->HasIndex());
        std::vector<std::string> names;
        for (const TPackEntry* entry = pack->GetFirst(); entry; entry = pack->GetNext())
            names.push_back(entry->name);
        std::vector<std::string> expected = {c.name, "Nerro.ini"};
        std::sort(expected.begin(), expected.end(), PackNameLess());
        EXPECT_EQ(names, expected);
        const TPackEntry* entry = pack->Find(c.name.c_str());
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->name, c.name);
        EXPECT_EQ(extract(*pack, c.name.c_str()).data, data);
        if (c.oldName != c.name) {
            EXPECT_EQ(pack->Find(c.oldName.c_str()), nullptr);
        }
    }
}

TEST(PackReadTest, AnOldNameThatBecomesAnotherNameReplacesIt) {
    // "Café" in UTF-8 (C3 A9) comes before "Café" in code page 1252 (E9):
    // read in that order, the converted one is kept, as a later record is.
    const std::string utf8 = nameFromSystemCodePage("Caf\xE9", "Caf\xC3\xA9");
    auto pack = packtest::openBytes(packtest::handBuiltPack(
        "", {{utf8, "written in UTF-8", 0}, {"Caf\xE9", "written in ANSI", 0}},
        packtest::kFormatWordLegacyNames));
    ASSERT_TRUE(pack->HasIndex());
    EXPECT_EQ(pack->GetCount(), 1);
    EXPECT_EQ(extract(*pack, utf8.c_str()).data, "written in ANSI");
}

TEST(PackReadTest, ExtractGivesDataPlusZeroByte) {
    auto pack = packtest::openBytes(packtest::handBuiltPack("stub", {{"empty", "", 0},
                                                                     {"text", "hello", 0},
                                                                     {"lz", "hello hello hello", 1},
                                                                     {"block", "hello block", 5}}));
    const struct {
        const char* name;
        std::string data;
    } cases[] = {
        {"empty", ""}, {"text", "hello"}, {"lz", "hello hello hello"}, {"block", "hello block"}};
    for (const auto& c : cases) {
        const packtest::Extracted got = extract(*pack, c.name);  // checks the zero byte
        EXPECT_TRUE(got.present) << c.name;
        EXPECT_EQ(got.data, c.data) << c.name;
        EXPECT_EQ(got.size, c.data.size()) << c.name;
    }
    EXPECT_FALSE(pack->IsFailed());
}

TEST(PackReadTest, VerifyFlagsWrongCheckValueButReturnsTheData) {
    const std::string body = packtest::recordBytes({"x", 0, 5, 5, 0x12345678, 0, 0});
    auto pack =
        packtest::openBytes(packtest::assemblePack("", "hello", packtest::v5Index(body, 1)));
    const packtest::Extracted verified = extract(*pack, "x", true);
    EXPECT_EQ(verified.data, "hello");
    EXPECT_TRUE(pack->IsFailed());
    const packtest::Extracted unverified = extract(*pack, "x", false);
    EXPECT_EQ(unverified.data, "hello");
    EXPECT_FALSE(pack->IsFailed());
}

TEST(PackReadTest, NameMissingFromPackIsReadFromDisk) {
    packtest::TempDir dir;
    const std::string disk = dir.File("loose.ini");
    packtest::writeFile(disk, std::string("a\0b", 3));
    auto pack = packtest::openBytes(packtest::handBuiltPack("", {{"inside", "x", 0}}));
    const packtest::Extracted got = extract(*pack, disk.c_str());
    EXPECT_TRUE(got.present);
    EXPECT_EQ(got.data, std::string("a\0b", 3));
    EXPECT_FALSE(pack->IsFailed());
    EXPECT_FALSE(extract(*pack, dir.File("absent").c_str()).present);
    EXPECT_FALSE(pack->IsFailed());
}

int progressCalls = 0;
void countProgress() {
    ++progressCalls;
}

TEST(PackReadTest, ProgressCallbackReachesTheCodecs) {
    auto pack = packtest::openBytes(packtest::handBuiltPack(
        "", {{"block", std::string(1000, 'b'), 5}, {"lz", packtest::randomBytes(40000, 3), 1}}));
    pack->SetProgressCallback(countProgress);
    progressCalls = 0;
    EXPECT_TRUE(extract(*pack, "block").present);
    EXPECT_GE(progressCalls, 1);  // once before each block
    progressCalls = 0;
    EXPECT_TRUE(extract(*pack, "lz").present);
    EXPECT_GE(progressCalls, 1);  // every 8192 bytes past 16384
    pack->SetProgressCallback(nullptr);
    progressCalls = 0;
    EXPECT_TRUE(extract(*pack, "block").present);
    EXPECT_EQ(progressCalls, 0);
}

TEST(PackReadTest, RemovingDuringEnumerationKeepsItValid) {
    auto pack = packtest::openBytes(
        packtest::handBuiltPack("", {{"a", "1", 0}, {"b", "2", 0}, {"c", "3", 0}}));
    TPackEntry* first = pack->GetFirst();
    ASSERT_NE(first, nullptr);
    pack->Remove("b");  // the enumeration stands on "b"
    TPackEntry* next = pack->GetNext();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->name, "c");
    EXPECT_EQ(pack->GetNext(), nullptr);
    EXPECT_EQ(pack->GetCount(), 2);
    pack->Remove("absent");
    EXPECT_EQ(pack->GetCount(), 2);
}

}  // namespace
