// nerro-pack build: the installer it writes, its refusals, and reproducibility.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pack/pack_file.h"
#include "tests/tools/tool_cli_fixture.h"
#include "tools/tool_files.h"

namespace fs = std::filesystem;

namespace tooltest {
namespace {

std::string extracted(TPackFile& pack, const std::string& name) {
    uint32_t size = 0;
    std::unique_ptr<uint8_t[]> block(pack.Extract(name.c_str(), true, &size));
    if (!block || pack.IsFailed()) return "(unreadable)";
    return std::string(reinterpret_cast<const char*>(block.get()), size);
}

std::string sizeLine(const std::string& output) {
    return output + ": 6 entries, " + std::to_string(fs::file_size(output)) + " bytes\n";
}

using BuildTest = ToolCliTest;

TEST_F(BuildTest, InstallerIsTheStubFollowedByThePack) {
    MakeProduct();
    const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, sizeLine("setup.exe"));
    EXPECT_EQ(run.err, "");

    const std::string installer = readBytes("setup.exe");
    EXPECT_EQ(installer.substr(0, 4096), stubBytes());
    TPackFile pack("setup.exe", false);
    ASSERT_TRUE(pack.HasIndex());
    EXPECT_EQ(pack.GetPackBase(), 4096u);
    std::vector<std::string> names;
    for (const TPackEntry* entry = pack.GetFirst(); entry; entry = pack.GetNext()) {
        names.push_back(entry->name);
        EXPECT_EQ(entry->Method(), PackMethod::Block) << entry->name;
        EXPECT_EQ(entry->stamp, 1700000000u) << entry->name;
    }
    std::vector<std::string> expected;
    for (const auto& [name, file] : productEntries()) {
        expected.push_back(name);
        EXPECT_EQ(extracted(pack, name), productFiles().at(file)) << name;
    }
    EXPECT_EQ(names, expected);
}

TEST_F(BuildTest, NamesAreUtf8) {
    // A file's name becomes its entry's name in UTF-8, whatever the system's
    // own form of file names, and goes back to the same file name.
    MakeProduct();
    const std::string catalogue = "Fran\xC3\xA7" "ais.clg";  // "Français.clg"
    writeBytes(fs::path("prod") / fs::u8path(catalogue), "[Main]\n1=Installer\n");
    ASSERT_EQ(Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"}).exitCode, 0);
    {
        TPackFile pack("setup.exe", false);
        EXPECT_EQ(extracted(pack, catalogue), "[Main]\n1=Installer\n");
    }
    ASSERT_EQ(Run({"extract", "setup.exe", catalogue, "-o", "out"}).exitCode, 0);
    EXPECT_EQ(readBytes(fs::path("out") / fs::u8path(catalogue)), "[Main]\n1=Installer\n");
}

TEST_F(BuildTest, CodecOptionChoosesTheMethod) {
    MakeProduct();
    const struct {
        const char* codec;
        PackMethod method;
    } cases[] = {
        {"lz", PackMethod::Lz},     {"store", PackMethod::Store}, {"block", PackMethod::Block},
        {"zstd", PackMethod::Zstd}, {"zstd:1", PackMethod::Zstd}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codec);
        const std::string output = std::string(c.codec) + ".exe";
        const ToolRun run =
            Run({"build", "prod", "--codec", c.codec, "--stub", "stub.exe", "-o", output});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        TPackFile pack(output.c_str(), false);
        ASSERT_EQ(pack.GetCount(), 6);
        for (const auto& [name, file] : productEntries()) {
            EXPECT_EQ(pack.Find(name.c_str())->Method(), c.method);
            EXPECT_EQ(extracted(pack, name), productFiles().at(file));
        }
    }
}

TEST_F(BuildTest, RefusesAFaultyProductAndWritesNothing) {
    const struct {
        const char* what;
        std::function<void()> spoil;
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {"no product name",
         [] { editIni("Product name=Demo Filters 1.0", ""); },
         {},
         "nerro-pack: Nerro.ini: no \"Product name\" in [General]\n"},
        {"no registry key",
         [] { editIni("Registry key=Software\\Demo\\Filters", ""); },
         {},
         "nerro-pack: Nerro.ini: no \"Registry key\" in [General]\n"},
        {"default folder without backslash",
         [] { editIni("Default folder=\\Demo Filters", "Default folder=Demo Filters"); },
         {},
         "nerro-pack: Nerro.ini: \"Default folder\" does not begin with a backslash: "
         "\"Demo Filters\"\n"},
        {"empty file list",
         [] { editIni("Number of files=3", "Number of files=0"); },
         {},
         "nerro-pack: " + (fs::path("prod") / "Nerro.ini").string() +
             ":7: \"Number of files\" is 0 but Nerro.ini has 3 file sections ([0] to [2])\n"
             "nerro-pack: Nerro.ini: the file list is empty (\"Number of files\" is 0)\n"},
        {"main executable outside the list",
         [] { editIni("Main executable=0", "Main executable=3"); },
         {},
         "nerro-pack: Nerro.ini: \"Main executable\" is 3, outside the file list (0 to 2)\n"},
        {"named file missing",
         [] { fs::remove("prod/filter.8bf"); },
         {},
         "nerro-pack: Nerro.ini: file [0]: \"filter.8bf\" is missing from the product folder\n"},
        {"name outside the product folder",
         [] {
             writeBytes("secret.txt", "outside");
             editIni("Name=filter.8bf", "Name=..\\secret.txt");
         },
         {},
         "nerro-pack: Nerro.ini: file [0]: \"..\\secret.txt\" is missing from the product "
         "folder\n"},
        {"logo missing",
         [] { fs::remove("prod/logo.bmp"); },
         {},
         "nerro-pack: Nerro.ini: \"logo.bmp\" is missing from the product folder\n"},
        {"no Nerro.ini",
         [] { fs::remove("prod/Nerro.ini"); },
         {},
         "nerro-pack: no Nerro.ini in prod\n"},
        {"no product folder",
         [] {},
         {"build", "nothing", "-o", "setup.exe", "--stub", "stub.exe"},
         "nerro-pack: no product folder nothing\n"},
        {"stub missing",
         [] {},
         {"build", "prod", "-o", "setup.exe", "--stub", "nostub.exe"},
         "nerro-pack: installer stub not found: nostub.exe\n"},
        {"stub holding a pack",
         [] { writeBytes("packed.exe", readBytes("golden.pack")); },
         {"build", "prod", "-o", "setup.exe", "--stub", "packed.exe"},
         "nerro-pack: the stub packed.exe already holds a pack\n"},
        {"output folder missing",
         [] {},
         {"build", "prod", "-o", "out/setup.exe", "--stub", "stub.exe"},
         "nerro-pack: no folder out for out/setup.exe\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MakeProduct();
        writeBytes("golden.pack", readBytes(std::string(NERRO_GOLDEN_DIR) + "/small.pack"));
        c.spoil();
        const std::vector<std::string> before = folderListing(".");
        const std::vector<std::string> args =
            c.args.empty()
                ? std::vector<std::string>{"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"}
                : c.args;
        const ToolRun run = Run(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
        // No installer and no temporary file: the folder is as it was.
        EXPECT_EQ(folderListing("."), before);
    }
}

#ifndef _WIN32
// Links are made with the POSIX calls here; Windows lets only privileged
// users make them.
TEST_F(BuildTest, RefusesLinksThatLeadOutOfTheProductFolder) {
    const std::string refusal = ": a link leads outside the product folder\n";
    const struct {
        const char* what;
        std::function<void()> link;
        std::string err;
    } cases[] = {
        {"named file linking to a file outside",
         [] {
             fs::remove("prod/docs/readme.txt");
             fs::create_symlink("../../secret.txt", "prod/docs/readme.txt");
         },
         "nerro-pack: refusing to pack prod/docs/readme.txt" + refusal},
        {"folder linking to a folder outside",
         [] {
             fs::remove_all("prod/docs");
             fs::create_symlink("../elsewhere", "prod/docs");
         },
         "nerro-pack: refusing to pack prod/docs/readme.txt" + refusal},
        {"absolute link, and a catalogue linking outside",
         [] {
             fs::remove("prod/filter.8bf");
             fs::create_symlink(fs::absolute("secret.txt"), "prod/filter.8bf");
             fs::create_symlink("../secret.txt", "prod/German.clg");
         },
         "nerro-pack: refusing to pack prod/German.clg" + refusal +
             "nerro-pack: refusing to pack prod/filter.8bf" + refusal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MakeProduct();
        writeBytes("secret.txt", "outside");
        writeBytes("elsewhere/readme.txt", "outside");
        c.link();
        const std::vector<std::string> before = folderListing(".");
        const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(folderListing("."), before);
    }

    // A link that stays inside the folder is a file of the product.
    MakeProduct();
    fs::remove("prod/docs/readme.txt");
    fs::create_symlink("../notes.txt", "prod/docs/readme.txt");
    const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    TPackFile pack("setup.exe", false);
    EXPECT_EQ(extracted(pack, "docs\\readme.txt"), productFiles().at("notes.txt"));
}
#endif

TEST_F(BuildTest, ReportsEveryProblemAtOnce) {
    MakeProduct();
    editIni("Product name=Demo Filters 1.0", "");
    editIni("Name=nerro-uninstall.exe", "Name=remover.exe");
    fs::remove("prod/logo.bmp");
    const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "nerro-pack: Nerro.ini: no \"Product name\" in [General]\n"
              "nerro-pack: Nerro.ini: \"logo.bmp\" is missing from the product folder\n"
              "nerro-pack: Nerro.ini: file [2]: \"remover.exe\" is missing from the product "
              "folder\n"
              "nerro-pack: warning: Nerro.ini: the last file, \"remover.exe\" (section [2]), is "
              "started as the uninstall program but is not nerro-uninstall.exe\n");
    EXPECT_FALSE(fs::exists("setup.exe"));
}

TEST_F(BuildTest, WarnsAboutTheUninstallProgramButBuilds) {
    MakeProduct();
    editIni("Create name=Uninstall.exe", "Create name=Remove.exe");
    writeBytes("prod/remover.exe", "MZ remover");
    editIni("Name=nerro-uninstall.exe", "Name=remover.exe");
    const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err,
              "nerro-pack: warning: Nerro.ini: the last file, \"remover.exe\" (section [2]), is "
              "started as the uninstall program but is not nerro-uninstall.exe\n");
    TPackFile pack("setup.exe", false);
    EXPECT_NE(pack.Find("remover.exe"), nullptr);
}

TEST_F(BuildTest, SameInputsGiveIdenticalInstallers) {
    MakeProduct();
    ASSERT_EQ(Run({"build", "prod", "-o", "first.exe", "--stub", "stub.exe"}).exitCode, 0);
    // A copy of the product made later, with other file times.
    MakeProduct("copy");
    ASSERT_EQ(Run({"build", "copy", "-o", "second.exe", "--stub", "stub.exe"}).exitCode, 0);
    EXPECT_EQ(readBytes("first.exe"), readBytes("second.exe"));

    // Building again over an existing installer replaces it.
    writeBytes("second.exe", "old installer");
    const ToolRun again = Run({"build", "prod", "-o", "second.exe", "--stub", "stub.exe"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(readBytes("first.exe"), readBytes("second.exe"));
    // No temporary file is left beside the installers.
    std::vector<std::string> topLevel;
    for (const auto& item : fs::directory_iterator("."))
        topLevel.push_back(item.path().filename().string());
    std::sort(topLevel.begin(), topLevel.end());
    const std::vector<std::string> expected = {"copy", "first.exe", "prod", "second.exe",
                                               "stub.exe"};
    EXPECT_EQ(topLevel, expected);
}

// Entries compressed side by side give the installer of one thread.
TEST_F(BuildTest, AnyNumberOfThreadsGivesTheSameInstaller) {
    MakeProduct();
    for (const char* codec : {"block", "lz", "store"}) {
        SCOPED_TRACE(codec);
        std::string single;
        for (const char* jobs : {"1", "2", "3", "8"}) {
            const std::string output = std::string(codec) + jobs + ".exe";
            const ToolRun run = Run({"build", "prod", "-o", output, "--stub", "stub.exe", "--codec",
                                     codec, "--jobs", jobs});
            ASSERT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(run.out, sizeLine(output));
            if (single.empty()) single = readBytes(output);
            EXPECT_TRUE(readBytes(output) == single) << jobs << " threads";
        }
    }
}

TEST_F(BuildTest, DefaultStubIsTheInstallerNextToTheTool) {
    MakeProduct();
    const fs::path tool = fs::path(NERRO_PACK_EXE);
    fs::create_directories("bin");
    const fs::path copy = fs::path("bin") / tool.filename();
    fs::copy_file(tool, copy);
    const std::string program = fs::absolute(copy).string();

    ToolRun run = runProgram(program, {"build", "prod", "-o", "setup.exe"}, scratch_.Capture());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "nerro-pack: installer stub not found: no nerro-setup.exe next to nerro-pack (build "
              "the installer first, or name one with --stub)\n");
    EXPECT_FALSE(fs::exists("setup.exe"));

    const std::string installerStub = "MZ the real installer";
    writeBytes("bin/nerro-setup.exe", installerStub);
    run = runProgram(program, {"build", "prod", "-o", "setup.exe"}, scratch_.Capture());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readBytes("setup.exe").substr(0, installerStub.size()), installerStub);
}

// The smallest file that reads as a program for the given PE machine.
std::string fakeProgram(uint16_t machine, const std::string& tail) {
    std::string bytes(0x40, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3C] = 0x40;
    bytes += std::string("PE\0\0", 4);
    bytes += static_cast<char>(machine & 0xFF);
    bytes += static_cast<char>(machine >> 8);
    return bytes + tail;
}

TEST_F(BuildTest, ArchPicksTheStubAndTheUninstallProgramMustMatchIt) {
    MakeProduct();
    const fs::path tool = fs::path(NERRO_PACK_EXE);
    fs::create_directories("bin");
    const fs::path copy = fs::path("bin") / tool.filename();
    fs::copy_file(tool, copy);
    const std::string program = fs::absolute(copy).string();
    const std::string stub32 = fakeProgram(0x014C, "32-bit installer");
    const std::string stub64 = fakeProgram(0x8664, "64-bit installer");
    writeBytes("bin/nerro-setup.exe", stub32);
    writeBytes("bin/nerro-setup-x64.exe", stub64);
    writeBytes("prod/nerro-uninstall.exe", fakeProgram(0x8664, "64-bit uninstaller"));
    const std::string uninstaller = (fs::path("prod") / "nerro-uninstall.exe").string();

    const struct {
        std::vector<std::string> options;
        int exitCode;
        std::string stub;   // what setup.exe starts with on success
        std::string error;  // the message on failure
    } cases[] = {
        {{"--arch", "x64"}, 0, stub64, ""},
        {{"--stub", "bin/nerro-setup-x64.exe"}, 0, stub64, ""},
        {{"--arch", "x64", "--stub", "bin/nerro-setup.exe"}, 1, "",
         "nerro-pack: the stub bin/nerro-setup.exe is an x86 installer, not x64\n"},
        {{"--arch", "arm64"},
         2,
         "",
         "nerro-pack: unknown architecture 'arm64' (x86 or x64) (see nerro-pack --help)\n"},
        // The default architecture is x86: its stub does not go with the
        // 64-bit uninstall program of this product.
        {{}, 1, "",
         "nerro-pack: " + uninstaller +
             " is an x64 program but the installer is x86: ship the uninstall program of the "
             "installer's build\n"},
    };
    for (const auto& c : cases) {
        fs::remove("setup.exe");
        std::vector<std::string> args = {"build", "prod", "-o", "setup.exe"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ToolRun run = runProgram(program, args, scratch_.Capture());
        const std::string label = ::testing::PrintToString(c.options);
        EXPECT_EQ(run.exitCode, c.exitCode) << label << run.err;
        if (c.exitCode == 0) {
            EXPECT_EQ(readBytes("setup.exe").substr(0, c.stub.size()), c.stub) << label;
        } else {
            EXPECT_EQ(run.err, c.error) << label;
            EXPECT_FALSE(fs::exists("setup.exe")) << label;
        }
    }

    writeBytes("prod/nerro-uninstall.exe", fakeProgram(0x014C, "32-bit uninstaller"));
    const ToolRun run = runProgram(program, {"build", "prod", "-o", "setup.exe", "--arch", "x64"},
                                   scratch_.Capture());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "nerro-pack: " + uninstaller +
                  " is an x86 program but the installer is x64: ship the uninstall program of the installer's build (nerro-uninstall-x64.exe, "
              "renamed)\n");
}

}  // namespace
}  // namespace tooltest
