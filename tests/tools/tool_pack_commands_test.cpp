// nerro-pack list, info, verify, extract, add, remove and compact, and the
// command line itself: exact output and exit codes of the real program.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pack/pack_check.h"
#include "pack/pack_file.h"
#include "tests/tools/tool_cli_fixture.h"
#include "tools/tool_cli.h"

namespace fs = std::filesystem;

namespace tooltest {
namespace {

using PackCommandsTest = ToolCliTest;

std::string infoText(uint64_t base, size_t entries, uint64_t data, uint64_t dead) {
    return "pack base:   " + std::to_string(base) +
           "\nversion:     5\nentries:     " + std::to_string(entries) +
           "\ndata bytes:  " + std::to_string(data) + "\ndead space:  " + std::to_string(dead) +
           "\n";
}

uint64_t storedBytes(const std::string& file) {
    TPackFile pack(file.c_str(), false);
    uint64_t total = 0;
    for (const TPackEntry* entry = pack.GetFirst(); entry; entry = pack.GetNext())
        total += entry->storedSize;
    return total;
}

uint64_t dataOffset(const std::string& file, const char* name) {
    TPackFile pack(file.c_str(), false);
    return pack.GetPackBase() + pack.Find(name)->offset;
}

void overwrite(const std::string& file, uint64_t position, const std::string& bytes) {
    std::string contents = readBytes(file);
    contents.replace(position, bytes.size(), bytes);
    writeBytes(file, contents);
}

TEST_F(PackCommandsTest, HelpAndWrongUsage) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"-h"}, {"verify", "--help"}}) {
        const ToolRun run = Run(args);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, kPackToolHelp);
        EXPECT_EQ(run.err, "");
    }
    const std::string help = " (see nerro-pack --help)\n";
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{}, "nerro-pack: no command given" + help},
        {{"frob"}, "nerro-pack: unknown command 'frob'" + help},
        {{"list"}, "nerro-pack: usage: nerro-pack list FILE" + help},
        {{"build", "prod"},
         "nerro-pack: usage: nerro-pack build PRODUCT_DIR -o SETUP.exe [--arch x86|x64] [--stub FILE] "
         "[--codec CODEC]" +
             help},
        {{"list", "--codec", "lz", "x"}, "nerro-pack: unknown option '--codec' for 'list'" + help},
        {{"add", "x", "--codec=zip", "y"},
         "nerro-pack: unknown codec 'zip' (block, lz or store)" + help},
        {{"add", "x", "a", "b", "--name", "n"},
         "nerro-pack: --name names one entry: give one PATH with it" + help},
        {{"extract", "x", "-o"}, "nerro-pack: option '-o' needs a value" + help},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const ToolRun run = Run(c.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
    }
}

TEST_F(PackCommandsTest, ListInfoAndVerifyOfAKnownPack) {
    writeBytes("small.pack", readBytes(std::string(NERRO_GOLDEN_DIR) + "/small.pack"));
    ToolRun run = Run({"list", "small.pack"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "size  stored  method  check     name\n"
              " 500     125  block   836f36af  notes.txt\n"
              "1025    1154  lz      c54b430e  plugin.dll\n"
              "2223    2223  store   afc487d8  readme.txt\n");
    EXPECT_EQ(run.err, "");

    run = Run({"info", "small.pack"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, infoText(16, 3, 3502, 0));

    run = Run({"verify", "small.pack"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "small.pack: 3 entries ok\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(PackCommandsTest, ListAlignsColumnsToTheLargestValue) {
    MakeProduct();
    ASSERT_EQ(Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe", "--codec", "store"})
                  .exitCode,
              0);
    // filter.8bf has 30000 bytes: five digits widen the size column.
    std::string expected = " size  stored  method  check     name\n";
    for (const auto& [name, file] : productEntries()) {
        const std::string& bytes = productFiles().at(file);
        char line[200];
        std::snprintf(
            line, sizeof line, "%5zu  %6zu  store   %08x  %s\n", bytes.size(), bytes.size(),
            static_cast<unsigned>(packCheckValue(bytes.data(), bytes.size())), name.c_str());
        expected += line;
    }
    const ToolRun run = Run({"list", "setup.exe"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, expected);
}

TEST_F(PackCommandsTest, ExtractWritesAllOrTheNamedEntries) {
    MakeProduct();
    ASSERT_EQ(Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"}).exitCode, 0);
    ToolRun run = Run({"verify", "setup.exe"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "setup.exe: 6 entries ok\n");

    run = Run({"extract", "setup.exe", "-o", "all"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    const std::vector<std::string> expected = {"English.clg",        "Nerro.ini",  "docs",
                                               "docs/readme.txt",    "filter.8bf", "logo.bmp",
                                               "nerro-uninstall.exe"};
    EXPECT_EQ(folderListing("all"), expected);
    for (const auto& [name, file] : productEntries())
        EXPECT_EQ(readBytes(fs::path("all") / file), productFiles().at(file)) << name;

    run = Run({"extract", "setup.exe", "docs\\readme.txt", "logo.bmp", "--output", "some"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> some = {"docs", "docs/readme.txt", "logo.bmp"};
    EXPECT_EQ(folderListing("some"), some);

    run = Run({"extract", "setup.exe", "logo.bmp", "nope", "-o", "none"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "nerro-pack: no entry \"nope\" in setup.exe\n");
    EXPECT_FALSE(fs::exists("none"));
}

TEST_F(PackCommandsTest, ExtractRefusesNamesThatLeaveTheFolder) {
    {
        TPackFile pack("hostile.pack", true);
        for (const char* name : {"ok.txt", "../evil.txt", "sub\\..\\..\\evil.txt", "C:evil.txt",
                                 "/tmp/evil.txt", "\\evil.txt"}) {
            std::istringstream data("payload");
            ASSERT_NE(pack.AddStream(data, name, kPackModeStore), nullptr);
        }
    }
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"../evil.txt", "it has a \"..\" component"},
        {"sub\\..\\..\\evil.txt", "it has a \"..\" component"},
        {"C:evil.txt", "it holds a drive letter or stream name (':')"},
        {"/tmp/evil.txt", "it is an absolute path"},
        {"\\evil.txt", "it is an absolute path"},
    };
    const std::vector<std::string> before = folderListing(".");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = Run({"extract", "hostile.pack", "ok.txt", c.name, "-o", "out"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, std::string("nerro-pack: refusing to extract \"") + c.name +
                               "\": " + c.reason + "\n");
    }
    // Extracting everything is refused as a whole, before anything is written.
    const ToolRun all = Run({"extract", "hostile.pack", "-o", "out"});
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_EQ(folderListing("."), before);
    EXPECT_FALSE(fs::exists(scratch_.Work().parent_path() / "evil.txt"));
}

TEST_F(PackCommandsTest, VerifyAndExtractNameDamagedEntries) {
    MakeProduct();
    ASSERT_EQ(Run({"build", "prod", "-o", "stored.exe", "--stub", "stub.exe", "--codec", "store"})
                  .exitCode,
              0);
    overwrite("stored.exe", dataOffset("stored.exe", "filter.8bf") + 100, "#");
    ToolRun run = Run({"verify", "stored.exe"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "nerro-pack: stored.exe: \"filter.8bf\": check value mismatch\n");

    run = Run({"extract", "stored.exe", "-o", "out"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "nerro-pack: stored.exe: \"filter.8bf\": check value mismatch\n");
    EXPECT_FALSE(fs::exists("out/filter.8bf"));

    ASSERT_EQ(Run({"build", "prod", "-o", "block.exe", "--stub", "stub.exe"}).exitCode, 0);
    overwrite("block.exe", dataOffset("block.exe", "English.clg"), "XXXX");
    overwrite("block.exe", dataOffset("block.exe", "logo.bmp"), "XXXX");
    run = Run({"verify", "block.exe"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "nerro-pack: block.exe: \"English.clg\": damaged data (cannot be decoded)\n"
              "nerro-pack: block.exe: \"logo.bmp\": damaged data (cannot be decoded)\n");
}

TEST_F(PackCommandsTest, FilesWithoutAReadablePack) {
    MakeProduct();
    ASSERT_EQ(Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"}).exitCode, 0);
    const std::string installer = readBytes("setup.exe");
    writeBytes("truncated.exe", installer.substr(0, installer.size() - 5));
    writeBytes("bad-index.exe", installer);
    TPackFile probe("setup.exe", false);
    overwrite("bad-index.exe", probe.GetEndOfData(), "ix49");
    writeBytes("tiny.bin", "sRBV");

    const struct {
        const char* command;
        const char* file;
        const char* err;
    } cases[] = {
        {"list", "stub.exe", "nerro-pack: stub.exe holds no pack\n"},
        {"list", "tiny.bin", "nerro-pack: tiny.bin holds no pack\n"},
        {"list", "missing.exe", "nerro-pack: cannot open missing.exe\n"},
        {"info", "truncated.exe", "nerro-pack: truncated.exe holds no pack\n"},
        {"verify", "bad-index.exe",
         "nerro-pack: bad-index.exe: damaged pack (its index cannot be read)\n"},
        {"extract", "bad-index.exe",
         "nerro-pack: bad-index.exe: damaged pack (its index cannot be read)\n"},
        {"compact", "stub.exe", "nerro-pack: stub.exe holds no pack\n"},
        {"add", "bad-index.exe",
         "nerro-pack: bad-index.exe: damaged pack (its index cannot be read); not changed\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.file);
        const std::string before = fs::exists(c.file) ? readBytes(c.file) : "";
        std::vector<std::string> args = {c.command, c.file};
        if (std::string(c.command) == "add") args.push_back("prod/logo.bmp");
        const ToolRun run = Run(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
        if (fs::exists(c.file)) {
            EXPECT_EQ(readBytes(c.file), before);
        }
    }
}

TEST_F(PackCommandsTest, AddRemoveAndCompactChangeThePackBehindTheStub) {
    MakeProduct();
    fs::copy_file("stub.exe", "plain.exe");
    ToolRun run = Run({"add", "plain.exe", "prod/filter.8bf", "prod/logo.bmp"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(Run({"info", "plain.exe"}).out, infoText(4096, 2, storedBytes("plain.exe"), 0));

    // Replacing an entry leaves its old data as dead space until compacted.
    const uint64_t oldFilter = [] {
        TPackFile pack("plain.exe", false);
        return pack.Find("filter.8bf")->storedSize;
    }();
    run = Run({"add", "plain.exe", "prod/English.clg", "--name", "filter.8bf", "--codec", "store"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Run({"info", "plain.exe"}).out,
              infoText(4096, 2, storedBytes("plain.exe"), oldFilter));
    const uint64_t sizeBefore = fs::file_size("plain.exe");

    run = Run({"compact", "plain.exe"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Run({"info", "plain.exe"}).out, infoText(4096, 2, storedBytes("plain.exe"), 0));
    EXPECT_LT(fs::file_size("plain.exe"), sizeBefore);
    EXPECT_EQ(Run({"extract", "plain.exe", "filter.8bf", "-o", "out"}).exitCode, 0);
    EXPECT_EQ(readBytes("out/filter.8bf"), productFiles().at("English.clg"));

    run = Run({"remove", "plain.exe", "logo.bmp"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Run({"list", "plain.exe"}).out.find("logo.bmp"), std::string::npos);
    EXPECT_EQ(Run({"info", "plain.exe"}).out, infoText(4096, 1, storedBytes("plain.exe"), 0));
    EXPECT_EQ(readBytes("plain.exe").substr(0, 4096), stubBytes());
    EXPECT_EQ(Run({"verify", "plain.exe"}).out, "plain.exe: 1 entry ok\n");

    const std::string unchanged = readBytes("plain.exe");
    run = Run({"remove", "plain.exe", "filter.8bf", "nope"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "nerro-pack: no entry \"nope\" in plain.exe\n");
    EXPECT_EQ(readBytes("plain.exe"), unchanged);
}

TEST_F(PackCommandsTest, AddCreatesAPackFile) {
    MakeProduct();
    const ToolRun run = Run({"add", "new.pack", "prod/Nerro.ini", "--codec", "lz"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    TPackFile pack("new.pack", false);
    EXPECT_EQ(pack.GetPackBase(), 0u);
    ASSERT_NE(pack.Find("Nerro.ini"), nullptr);
    EXPECT_EQ(pack.Find("Nerro.ini")->Method(), PackMethod::Lz);
}

}  // namespace
}  // namespace tooltest
