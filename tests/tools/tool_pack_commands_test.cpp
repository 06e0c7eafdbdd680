// nerro-pack list, info, verify, extract, add, remove and compact, and the
// command line itself: exact output and exit codes of the real program.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/byte_file.h"
#include "pack/pack_check.h"
#include "pack/pack_file.h"
#include "tests/pack/pack_test_support.h"
#include "tests/pack/pe_image_support.h"
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
           "\nsigned: no\n";
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
         "nerro-pack: usage: nerro-pack build PRODUCT_DIR -o SETUP.exe [--arch x86|x64] [--stub "
         "FILE] "
         "[--codec CODEC] [--jobs N] [--sign-cert CERT --sign-key KEY [--sign-pass PASS] "
         "[--timestamp URL]]" +
             help},
        {{"build", "prod", "-o", "s.exe", "--sign-cert", "c.pem"},
         "nerro-pack: --sign-cert and --sign-key go together" + help},
        {{"build", "prod", "-o", "s.exe", "--sign-key", "k.pem"},
         "nerro-pack: --sign-cert and --sign-key go together" + help},
        {{"build", "prod", "-o", "s.exe", "--timestamp", "http://ts.example"},
         "nerro-pack: --sign-pass and --timestamp need --sign-cert and --sign-key" + help},
        {{"add", "x", "y", "--drop-signature=yes"},
         "nerro-pack: option '--drop-signature' takes no value" + help},
        {{"compact", "x", "--drop-signature", "--drop-signature"},
         "nerro-pack: option '--drop-signature' given twice" + help},
        {{"list", "x", "--drop-signature"},
         "nerro-pack: unknown option '--drop-signature' for 'list'" + help},
        {{"init"}, "nerro-pack: usage: nerro-pack init DIR [--arch x86|x64]" + help},
        {{"init", "d", "--arch", "arm"},
         "nerro-pack: unknown architecture 'arm' (x86 or x64)" + help},
        {{"list", "--codec", "lz", "x"}, "nerro-pack: unknown option '--codec' for 'list'" + help},
        {{"add", "x", "--codec=zip", "y"},
         "nerro-pack: unknown codec 'zip' (block, lz, zstd[:LEVEL] or store)" + help},
        {{"add", "x", "--codec=zstd:20", "y"},
         "nerro-pack: zstd level '20' is not a number from 1 to 19" + help},
        {{"build", "prod", "-o", "s.exe", "--codec", "zstd:"},
         "nerro-pack: zstd level '' is not a number from 1 to 19" + help},
        {{"add", "x", "a", "b", "--name", "n"},
         "nerro-pack: --name names one entry: give one PATH with it" + help},
        {{"extract", "x", "-o"}, "nerro-pack: option '-o' needs a value" + help},
        {{"extract", "p.pack", "--output="},
         "nerro-pack: option '--output' has an empty value" + help},
        {{"build", "prod", "-o", ""}, "nerro-pack: option '--output' has an empty value" + help},
        {{"verify", "x", "-j", "0"},
         "nerro-pack: --jobs takes a number of threads from 1 to 256, not '0'" + help},
        {{"add", "x", "y", "--jobs=2x"},
         "nerro-pack: --jobs takes a number of threads from 1 to 256, not '2x'" + help},
        {{"extract", "x", "--jobs", "257"},
         "nerro-pack: --jobs takes a number of threads from 1 to 256, not '257'" + help},
        {{"list", "x", "-j", "2"}, "nerro-pack: unknown option '-j' for 'list'" + help},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const ToolRun run = Run(c.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
    }
}

TEST_F(PackCommandsTest, ListInfoAndVerifyOfKnownPacks) {
    const struct {
        const char* file;
        std::string list;
        int entries;
        uint64_t dataBytes;
    } packs[] = {
        {"small.pack",
         "size  stored  method  check     name\n"
         " 500     125  block   836f36af  notes.txt\n"
         "1025    1154  lz      c54b430e  plugin.dll\n"
         "2223    2223  store   afc487d8  readme.txt\n",
         3, 3502},
        {"zstd.pack",
         "size  stored  method  check     name\n"
         "   0       9  zstd    00000000  empty\n"
         " 500     125  block   836f36af  notes.txt\n"
         "1025    1035  zstd    c54b430e  plugin.dll\n"
         "2223     206  zstd    afc487d8  readme.txt\n",
         4, 1375},
    };
    for (const auto& p : packs) {
        SCOPED_TRACE(p.file);
        writeBytes(p.file, readBytes(std::string(NERRO_GOLDEN_DIR) + "/" + p.file));
        ToolRun run = Run({"list", p.file});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, p.list);
        EXPECT_EQ(run.err, "");

        run = Run({"info", p.file});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, infoText(16, p.entries, p.dataBytes, 0));

        run = Run({"verify", p.file});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, std::string(p.file) + ": " + std::to_string(p.entries) +
                               " entries ok\nsigned: no\n");
        EXPECT_EQ(run.err, "");
    }
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
    EXPECT_EQ(run.out, "setup.exe: 6 entries ok\nsigned: no\n");

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
                                 "/tmp/evil.txt", "\\evil.txt", "NUL .txt", "sub\\COM1 .x"}) {
            MemoryFile data("payload");
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
        {"NUL .txt", "a path component is a device name on Windows"},
        {"sub\\COM1 .x", "a path component is a device name on Windows"},
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
    overwrite("block.exe", dataOffset("block.exe", "nerro-uninstall.exe") + 30, "~~");
    // Entries decoded side by side are reported in name order, as one
    // thread reports them; extract stops at the first damaged one, having
    // written those before it.
    for (const char* jobs : {"1", "2", "4"}) {
        SCOPED_TRACE(jobs);
        run = Run({"verify", "block.exe", "-j", jobs});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err,
                  "nerro-pack: block.exe: \"English.clg\": damaged data (cannot be decoded)\n"
                  "nerro-pack: block.exe: \"logo.bmp\": damaged data (cannot be decoded)\n"
                  "nerro-pack: block.exe: \"nerro-uninstall.exe\": damaged data (cannot be "
                  "decoded)\n");
        const std::string out = std::string("out-") + jobs;
        run = Run({"extract", "block.exe", "Nerro.ini", "filter.8bf", "logo.bmp",
                   "docs\\readme.txt", "-o", out, "--jobs", jobs});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err,
                  "nerro-pack: block.exe: \"logo.bmp\": damaged data (cannot be decoded)\n");
        const std::vector<std::string> written = {"Nerro.ini", "filter.8bf"};
        EXPECT_EQ(folderListing(out), written);
        EXPECT_EQ(readBytes(out + "/filter.8bf"), productFiles().at("filter.8bf"));
    }
}

TEST_F(PackCommandsTest, DamagedEntriesStopEveryCommandThatReadsThem) {
    // "a.txt" claims 3 bytes fewer than its block stream takes: the tail looks
    // like dead space, which compacting would drop.
    const std::string text = productFiles().at("filter.8bf").substr(0, 3000);
    const std::string stream = packtest::blockStream(text);
    const std::string other = "other entry";
    const std::string body =
        packtest::recordBytes({"a.txt", 0, static_cast<uint32_t>(stream.size() - 3),
                               static_cast<uint32_t>(text.size()),
                               packCheckValue(text.data(), text.size()), 0, 5}) +
        packtest::recordBytes({"b.txt", static_cast<uint32_t>(stream.size()),
                               static_cast<uint32_t>(other.size()),
                               static_cast<uint32_t>(other.size()),
                               packCheckValue(other.data(), other.size()), 0, 0});
    const std::string pack =
        packtest::assemblePack("STUB", stream + other, packtest::v5Index(body, 2));
    const std::string damaged =
        "nerro-pack: p.pack: \"a.txt\": damaged data (they do not end at their stored size)";
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"verify", "p.pack"}, damaged + "\n"},
        {{"extract", "p.pack", "-o", "out"}, damaged + "\n"},
        {{"compact", "p.pack"}, damaged + "; not changed\n"},
        {{"remove", "p.pack", "b.txt"}, damaged + "; not changed\n"},
        {{"remove", "p.pack", "a.txt"}, damaged + "; not changed\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        writeBytes("p.pack", pack);
        const ToolRun run = Run(c.args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(readBytes("p.pack"), pack);
        EXPECT_FALSE(fs::exists("out/a.txt"));
        EXPECT_EQ(folderListing(".").size(), fs::exists("out") ? 2u : 1u);
    }
}

#ifndef _WIN32
// Links are made with the POSIX calls here; Windows lets only privileged
// users make them.
TEST_F(PackCommandsTest, ExtractNeverWritesThroughLinks) {
    {
        TPackFile pack("p.pack", true);
        for (const char* name : {"a.txt", "docs\\readme.txt"}) {
            MemoryFile data(std::string("new ") + name);
            ASSERT_NE(pack.AddStream(data, name, kPackModeLz), nullptr);
        }
    }
    const struct {
        const char* entry;
        const char* link;    // in the output folder
        const char* target;  // of the link, outside the output folder
        int exitCode;
        std::string err;
    } cases[] = {
        // The link itself is replaced by the file; what it points to stays.
        {"a.txt", "out/a.txt", "../victim.txt", 0, ""},
        {"docs\\readme.txt", "out/docs", "../victims", 1,
         "nerro-pack: out/docs is a link; nothing is written through it\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        fs::remove_all("out");
        fs::remove_all("victims");
        writeBytes("victim.txt", "victim");
        writeBytes("victims/readme.txt", "victim");
        fs::create_directories("out");
        fs::create_symlink(c.target, c.link);

        const ToolRun run = Run({"extract", "p.pack", c.entry, "-o", "out"});
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(readBytes("victim.txt"), "victim");
        EXPECT_EQ(readBytes("victims/readme.txt"), "victim");
        if (c.exitCode == 0) {
            EXPECT_FALSE(fs::is_symlink(c.link));
            EXPECT_EQ(readBytes(c.link), std::string("new ") + c.entry);
        }
    }
}

TEST_F(PackCommandsTest, ExtractOntoAFullDiskKeepsTheOldFile) {
    const std::string data = productFiles().at("filter.8bf") + std::string(200000, 'z');
    {
        TPackFile pack("p.pack", true);
        MemoryFile input(data);
        ASSERT_NE(pack.AddStream(input, "big.bin", kPackModeBlock), nullptr);
    }
    writeBytes("out/big.bin", "the old contents");
    // Writes beyond 64 KiB fail as they do on a full disk (the signal that
    // would end the program instead is ignored).
    const ToolRun run =
        Run({"extract", "p.pack", "-o", "out"}, "trap '' XFSZ; ulimit -f 128; ");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "nerro-pack: cannot write out/big.bin\n");
    EXPECT_EQ(readBytes("out/big.bin"), "the old contents");
    EXPECT_EQ(folderListing("out"), std::vector<std::string>{"big.bin"});
}
#endif

TEST_F(PackCommandsTest, FilesWithoutAReadablePack) {
    MakeProduct();
    ASSERT_EQ(Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"}).exitCode, 0);
    const std::string installer = readBytes("setup.exe");
    writeBytes("truncated.exe", installer.substr(0, installer.size() - 5));
    writeBytes("bad-index.exe", installer);
    TPackFile probe("setup.exe", false);
    overwrite("bad-index.exe", probe.GetEndOfData(), "ix49");
    writeBytes("tiny.bin", "sRBV");
    // Taken as text, the name would be "a.txt", which is also a file on disk.
    writeBytes("zero-name.pack",
               packtest::handBuiltPack("", {{std::string("a.txt\0hidden", 12), "x", 0}}));
    writeBytes("a.txt", "x");
    // The same damage in a signed installer, whose trailer is not at the end.
    std::string signedPack =
        packtest::handBuiltPack(packtest::peImage(packtest::PeKind::Pe32), {{"a.txt", "x", 0}});
    signedPack.replace(packtest::openBytes(signedPack)->GetEndOfData(), 4, "ix49");
    writeBytes("signed-bad-index.exe",
               packtest::signedLikeATool(signedPack, packtest::PeKind::Pe32));

    const struct {
        const char* command;
        const char* file;
        const char* err;
    } cases[] = {
        {"verify", "signed-bad-index.exe",
         "nerro-pack: signed-bad-index.exe: damaged pack (its index cannot be read)\n"},
        {"list", "stub.exe", "nerro-pack: stub.exe holds no pack\n"},
        {"list", "tiny.bin", "nerro-pack: tiny.bin holds no pack\n"},
        {"list", "missing.exe", "nerro-pack: cannot open missing.exe\n"},
        {"info", "truncated.exe", "nerro-pack: truncated.exe holds no pack\n"},
        {"verify", "bad-index.exe",
         "nerro-pack: bad-index.exe: damaged pack (its index cannot be read)\n"},
        {"extract", "bad-index.exe",
         "nerro-pack: bad-index.exe: damaged pack (its index cannot be read)\n"},
        {"verify", "zero-name.pack",
         "nerro-pack: zero-name.pack: damaged pack (its index cannot be read)\n"},
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
    EXPECT_EQ(Run({"verify", "plain.exe"}).out, "plain.exe: 1 entry ok\nsigned: no\n");

    const std::string unchanged = readBytes("plain.exe");
    run = Run({"remove", "plain.exe", "filter.8bf", "nope"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "nerro-pack: no entry \"nope\" in plain.exe\n");
    EXPECT_EQ(readBytes("plain.exe"), unchanged);
}

// Files compressed side by side are appended in order with the bytes one
// thread gives them: entries of every codec, empty ones and one of more than
// a block of the block codec, added by several runs to one pack.
TEST_F(PackCommandsTest, AddGivesTheSamePackWithAnyNumberOfThreads) {
    MakeProduct();
    writeBytes("in/empty", "");
    writeBytes("in/large.bin", packtest::randomBytes(600000, 1) + productFiles().at("filter.8bf") +
                                   std::string(300000, 'r') + packtest::randomBytes(250000, 2));
    writeBytes("in/medium.txt", productFiles().at("filter.8bf") + productFiles().at("Nerro.ini"));
    const std::vector<std::vector<std::string>> runs = {
        {"in/empty", "in/large.bin", "prod/logo.bmp", "in/medium.txt", "prod/Nerro.ini"},
        {"prod/filter.8bf", "--codec", "lz", "--name", "x"},
        {"prod/English.clg", "in/large.bin", "in/medium.txt", "prod/docs/readme.txt", "--codec",
         "lz"},
        {"in/empty", "--codec", "store", "--name", "stored"},
        {"prod/logo.bmp", "in/medium.txt", "--codec", "store"},
    };
    std::string expected;
    for (const char* jobs : {"1", "4", "2"}) {
        SCOPED_TRACE(jobs);
        const std::string pack = std::string("p") + jobs + ".exe";
        fs::copy_file("stub.exe", pack);
        for (std::vector<std::string> args : runs) {
            args.insert(args.begin(), {"add", pack});
            args.insert(args.end(), {"--jobs", jobs});
            const ToolRun run = Run(args);
            ASSERT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(run.out + run.err, "");
        }
        if (expected.empty()) {
            expected = readBytes(pack);
            EXPECT_EQ(Run({"verify", pack}).out, pack + ": 9 entries ok\nsigned: no\n");
        }
        EXPECT_TRUE(readBytes(pack) == expected);
    }
}

#ifndef _WIN32
// A full disk stops the build at one entry, named once, and leaves no
// installer and no temporary file behind, with any number of threads.
TEST_F(PackCommandsTest, BuildOntoAFullDiskLeavesNothing) {
    MakeProduct();
    writeBytes("prod/filter.8bf", packtest::randomBytes(300000, 7));
    for (const char* jobs : {"1", "4"}) {
        SCOPED_TRACE(jobs);
        const std::vector<std::string> before = folderListing(".");
        const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe",
                                 "--codec", "store", "-j", jobs},
                                "trap '' XFSZ; ulimit -f 128; ");
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err == "nerro-pack: cannot add prod/filter.8bf to the pack\n" ||
                    run.err == "nerro-pack: cannot write setup.exe\n")
            << run.err;
        EXPECT_EQ(folderListing("."), before);
    }
}
#endif

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
