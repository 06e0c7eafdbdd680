// The installer's check of its own pack at start-up: every reason, in the
// order of the entries checked, whether they are decoded one after the other
// or side by side.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/byte_file.h"
#include "foundation/tinifile.h"
#include "installer/setup_pack_check.h"
#include "pack/pack_file.h"
#include "tests/foundation/text_test_support.h"
#include "tests/pack/pack_test_support.h"

namespace {

// A product of one plug-in (no uninstall program: only a warning).
const char* const kIni =
    "[General]\n"
    "Product name=Checked Plug-in\n"
    "Registry key=Software\\Checked\n"
    "Default folder=\\Checked\n"
    "Number of files=1\n"
    "[0]\n"
    "Name=plugin.8bf\n"
    "Create name=Plug-in.8bf\n";

struct Entry {
    std::string name;
    std::string data;
    bool damaged = false;  // its stored data changed after packing
};

// The pack of those entries (block codec), with the damaged ones' data hit.
std::unique_ptr<TPackFile> packOf(const packtest::TempDir& dir, const std::vector<Entry>& entries) {
    const std::string path = dir.File("setup.exe");
    packtest::writeFile(path, "MZ stub");
    {
        TPackFile pack(path.c_str(), true);
        for (const Entry& entry : entries) {
            MemoryFile input(entry.data);
            pack.AddStream(input, entry.name.c_str(), kPackModeBlock);
        }
    }
    std::string bytes = packtest::readFile(path);
    {
        TPackFile pack(path.c_str(), false);
        for (const Entry& entry : entries) {
            const TPackEntry* record = pack.Find(entry.name.c_str());
            if (entry.damaged)
                bytes[pack.GetPackBase() + record->offset + record->storedSize / 2] ^= 0x21;
        }
    }
    packtest::writeFile(path, bytes);
    return std::make_unique<TPackFile>(path.c_str(), false);
}

TEST(SetupPackCheckTest, NamesEveryMissingOrDamagedFileInOrder) {
    const std::string catalogue = "[Info]\nLanguage=English\n" + packtest::randomBytes(3000, 1);
    const std::string logo = "BM" + packtest::randomBytes(400000, 2);
    const struct {
        const char* what;
        std::vector<Entry> entries;
        std::string reasons;
    } cases[] = {
        {"whole",
         {{"Nerro.ini", kIni}, {"logo.bmp", logo}, {"A.clg", catalogue}, {"plugin.8bf", "8bf"}},
         ""},
        {"no logo",
         {{"Nerro.ini", kIni}, {"B.clg", catalogue}},
         "The file \"logo.bmp\" is missing from it.\n"},
        {"several damaged",
         {{"Nerro.ini", kIni},
          {"logo.bmp", logo, true},
          {"A.clg", catalogue},
          {"B.clg", catalogue, true},
          {"C.clg", catalogue, true},
          {"D.clg", catalogue}},
         "The file \"logo.bmp\" in it is damaged.\n"
         "The file \"B.clg\" in it is damaged.\n"
         "The file \"C.clg\" in it is damaged.\n"},
        {"damaged configuration, no logo",
         {{"Nerro.ini", kIni, true}, {"E.clg", catalogue, true}},
         "The file \"Nerro.ini\" in it is damaged.\n"
         "The file \"logo.bmp\" is missing from it.\n"
         "The file \"E.clg\" in it is damaged.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        packtest::TempDir dir;
        const std::unique_ptr<TPackFile> pack = packOf(dir, c.entries);
        ASSERT_TRUE(pack->HasIndex());
        EXPECT_EQ(FindPackDamage(*pack), c.reasons);
    }
}

TEST(SetupPackCheckTest, AConfigurationThatCannotBeReadIsDamage) {
    const std::string logo = "BM" + packtest::randomBytes(4000, 3);
    const std::string damaged = "The file \"Nerro.ini\" in it is damaged.\n";
    const struct {
        const char* what;
        std::string ini;
        std::string reasons;
    } cases[] = {
        {"UTF-16", texttest::utf16File(kIni), ""},
        {"UTF-8 with a byte order mark", std::string("\xEF\xBB\xBF") + kIni, ""},
        {"a declared code page", std::string("[General]\nCode page=1251\nTitle=\xCF\xF0\n") + kIni,
         ""},
        {"an unknown code page", std::string("[General]\nCode page=9999\nTitle=\xCF\xF0\n") + kIni,
         damaged},
        {"a line too long",
         std::string(kIni) + "Shortcut name=" + std::string(TIniFile::kMaxLineLength, 's') + "\n",
         damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        packtest::TempDir dir;
        const std::unique_ptr<TPackFile> pack =
            packOf(dir, {{"Nerro.ini", c.ini}, {"logo.bmp", logo}, {"plugin.8bf", "8bf"}});
        ASSERT_TRUE(pack->HasIndex());
        EXPECT_EQ(FindPackDamage(*pack), c.reasons);
    }
}

}  // namespace
