// nerro-pack with names of any language: product folders, installers and
// entries named in Polish, Japanese and French, from the command line to the
// files it writes and the lines it prints. Natively and, in the Windows tree,
// as nerro-pack.exe under Wine (wide command line, wide file names).
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pack/pack_file.h"
#include "tests/pack/pack_test_support.h"
#include "tests/tools/tool_cli_fixture.h"

namespace fs = std::filesystem;

namespace tooltest {
namespace {

using UnicodeNamesTest = ToolCliTest;

const std::string kLodz = "\xC5\x81\xC3\xB3\x64\xC5\xBA";                  // "Łódź"
const std::string kTokyo = "\xE6\x9D\xB1\xE4\xBA\xAC";                     // "東京"
const std::string kCafe = "Lumen Caf\xC3\xA9.8bf";                         // "Lumen Café.8bf"
const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.clg";  // "日本語.clg"
const std::string kCatalogue =
    "[Info]\n411=ok\n[Main]\n1001=\xE3\x82\xA4\xE3\x83\xB3\xE3\x82\xB9\xE3\x83\x88\xE3\x83\xBC"
    "\xE3\x83\xAB\n";

// The line `list` prints for an entry ends in its name.
bool listsName(const std::string& listing, const std::string& name) {
    return listing.find("  " + name + "\n") != std::string::npos;
}

TEST_F(UnicodeNamesTest, BuildListVerifyExtractAddAndRemove) {
    const std::string root = kLodz + " " + kTokyo;
    const std::string product = root + "/product";
    const std::string setup = root + "/setup.exe";
    const fs::path productPath = fs::u8path(product);
    // The test product with its plug-in renamed and a Japanese catalogue.
    MakeProduct(productPath);
    editIni("Name=filter.8bf", "Name=" + kCafe, productPath);
    fs::rename(productPath / "filter.8bf", productPath / fs::u8path(kCafe));
    writeBytes(productPath / fs::u8path(kJapanese), kCatalogue);
    const std::string plugin = productFiles().at("filter.8bf");

    const ToolRun build = Run({"build", product, "-o", setup, "--stub", "stub.exe"});
    ASSERT_EQ(build.exitCode, 0) << build.err;
    EXPECT_EQ(build.err, "");
    EXPECT_EQ(build.out, setup + ": 7 entries, " +
                             std::to_string(fs::file_size(fs::u8path(setup))) + " bytes\n");

    // The pack says its names are UTF-8, and holds them so.
    const std::string bytes = readBytes(fs::u8path(setup));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), packtest::le32(0x705));
    {
        TPackFile pack(setup.c_str(), false);
        ASSERT_TRUE(pack.HasIndex());
        EXPECT_NE(pack.Find(kCafe.c_str()), nullptr);
        EXPECT_NE(pack.Find(kJapanese.c_str()), nullptr);
    }

    const ToolRun list = Run({"list", setup});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_TRUE(listsName(list.out, kCafe)) << list.out;
    EXPECT_TRUE(listsName(list.out, kJapanese)) << list.out;

    const ToolRun verify = Run({"verify", setup});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    EXPECT_EQ(verify.out, setup + ": 7 entries ok\nsigned: no\n");

    // Everything, then one entry by its name, into folders named in Japanese.
    const std::string all = kTokyo + "/all";
    ASSERT_EQ(Run({"extract", setup, "-o", all}).exitCode, 0);
    EXPECT_EQ(readBytes(fs::u8path(all) / fs::u8path(kCafe)), plugin);
    EXPECT_EQ(readBytes(fs::u8path(all) / fs::u8path(kJapanese)), kCatalogue);
    const std::string one = kTokyo + "/" + kLodz;
    const ToolRun named = Run({"extract", setup, kCafe, "-o", one});
    ASSERT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(folderListing(fs::u8path(one)),
              std::vector<std::string>{fs::u8path(kCafe).generic_string()});
    EXPECT_EQ(readBytes(fs::u8path(one) / fs::u8path(kCafe)), plugin);

    // A name in a message is shown as it is.
    const std::string missing = "Caf\xC3\xA9 " + kTokyo + ".txt";
    const ToolRun notThere = Run({"extract", setup, missing});
    EXPECT_EQ(notThere.exitCode, 1);
    EXPECT_EQ(notThere.err, "nerro-pack: no entry \"" + missing + "\" in " + setup + "\n");

    // add takes the file's name, remove takes it back.
    const std::string readme = kLodz + " read me.txt";
    writeBytes(fs::u8path(readme), "czytaj\n");
    const ToolRun add = Run({"add", setup, readme});
    ASSERT_EQ(add.exitCode, 0) << add.err;
    EXPECT_TRUE(listsName(Run({"list", setup}).out, readme));
    const ToolRun remove = Run({"remove", setup, readme, kJapanese});
    ASSERT_EQ(remove.exitCode, 0) << remove.err;
    const std::string after = Run({"list", setup}).out;
    EXPECT_FALSE(listsName(after, readme));
    EXPECT_FALSE(listsName(after, kJapanese));
    EXPECT_TRUE(listsName(after, kCafe));
}

TEST_F(UnicodeNamesTest, InitWritesIntoAFolderOfAnyName) {
    const std::string folder = kTokyo + "/" + kLodz;
    const ToolRun init = Run({"init", folder});
    ASSERT_EQ(init.exitCode, 0) << init.err;
    EXPECT_EQ(init.out.compare(0, folder.size() + 1, folder + ":"), 0) << init.out;
    EXPECT_TRUE(fs::is_regular_file(fs::u8path(folder) / "Nerro.ini"));
    EXPECT_TRUE(fs::is_regular_file(fs::u8path(folder) / "English.clg"));
}

#ifndef _WIN32
// Only a system whose file names are bytes can name a file in another
// encoding than UTF-8.
TEST_F(UnicodeNamesTest, AFileNameNotInUtf8NamesNoEntry) {
    const std::string latin1 = "\xE9t\xE9.txt";  // "été.txt" in ISO 8859-1
    writeBytes(latin1, "summer\n");
    const ToolRun refused = Run({"add", "p.pack", latin1});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "nerro-pack: entry name is not UTF-8: \"" + latin1 + "\" (" + latin1 +
                               "): rename the file, or name the entry with --name\n");
    EXPECT_FALSE(fs::exists("p.pack"));
    const std::string named = "\xC3\xA9t\xC3\xA9.txt";
    ASSERT_EQ(Run({"add", "p.pack", latin1, "--name", named}).exitCode, 0);
    EXPECT_TRUE(listsName(Run({"list", "p.pack"}).out, named));
}
#endif

}  // namespace
}  // namespace tooltest
