// nerro-pack init and --version.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/utf8.h"
#include "pack/pack_file.h"
#include "tests/tools/tool_cli_fixture.h"
#include "tools/tool_version.h"

namespace fs = std::filesystem;

namespace tooltest {
namespace {

// A copy of nerro-pack in "tool/" with the files a build leaves beside it.
class InitTest : public ToolCliTest {
protected:
    void SetUp() override {
        fs::create_directories("tool");
        fs::copy_file(NERRO_PACK_EXE, tool_);
        fs::permissions(tool_, fs::perms::owner_exec, fs::perm_options::add);
        writeBytes("tool/nerro-setup.exe", stubBytes());
        writeBytes("tool/nerro-setup-x64.exe", stubBytes());
    }

    ToolRun RunCopy(const std::vector<std::string>& args) const {
        return runProgram(fs::absolute(tool_).string(), args, scratch_.Capture());
    }

    const fs::path tool_ = fs::path("tool") / fs::path(NERRO_PACK_EXE).filename();
};

TEST_F(InitTest, ExampleBuildsWithoutWarnings) {
    const struct {
        const char* arch;
        const char* uninstaller;  // the build's name for it, next to nerro-pack
        std::string uninstallBytes;
    } cases[] = {
        {"x86", "nerro-uninstall.exe", "MZ uninstall x86"},
        {"x64", "nerro-uninstall-x64.exe", "MZ uninstall x64"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arch);
        writeBytes(fs::path("tool") / c.uninstaller, c.uninstallBytes);
        const std::string dir = std::string("example-") + c.arch;
        const ToolRun init = RunCopy({"init", dir, "--arch", c.arch});
        ASSERT_EQ(init.exitCode, 0) << init.err;
        EXPECT_EQ(init.err, "");
        EXPECT_EQ(folderListing(dir),
                  (std::vector<std::string>{"English.clg", "Nerro.ini", "logo.bmp",
                                            "nerro-uninstall.exe", "readme.txt"}));
        EXPECT_EQ(readBytes(fs::path(dir) / "nerro-uninstall.exe"), c.uninstallBytes);
        // The texts are UTF-8 and say so, for editors to keep them UTF-8.
        for (const char* text : {"Nerro.ini", "English.clg"}) {
            const std::string bytes = readBytes(fs::path(dir) / text);
            EXPECT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << text;
            EXPECT_TRUE(IsValidUtf8(bytes)) << text;
        }

        const std::string setup = dir + ".exe";
        const ToolRun build = RunCopy({"build", dir, "-o", setup, "--arch", c.arch});
        ASSERT_EQ(build.exitCode, 0) << build.err;
        EXPECT_EQ(build.err, "");
        const ToolRun verify = Run({"verify", setup});
        EXPECT_EQ(verify.exitCode, 0) << verify.err;
        EXPECT_EQ(verify.out, setup + ": 5 entries ok\nsigned: no\n");
        TPackFile pack(setup.c_str(), false);
        for (const char* name : {"Nerro.ini", "English.clg", "logo.bmp", "readme.txt"}) {
            const TPackEntry* entry = pack.Find(name);
            ASSERT_NE(entry, nullptr) << name;
            EXPECT_EQ(entry->size, fs::file_size(fs::path(dir) / name)) << name;
        }
    }
}

TEST_F(InitTest, WithoutUninstallProgramTheNoteSaysWhatIsMissing) {
    const ToolRun init = RunCopy({"init", "example"});
    ASSERT_EQ(init.exitCode, 0) << init.err;
    EXPECT_EQ(init.err,
              "nerro-pack: note: no nerro-uninstall.exe next to nerro-pack: copy the uninstall "
              "program of the installer's build to " +
                  (fs::path("example") / "nerro-uninstall.exe").string() + " before building\n");
    EXPECT_FALSE(fs::exists("example/nerro-uninstall.exe"));
    const ToolRun build = RunCopy({"build", "example", "-o", "setup.exe"});
    EXPECT_EQ(build.exitCode, 1);
    EXPECT_NE(build.err.find("\"nerro-uninstall.exe\" is missing from the product folder"),
              std::string::npos)
        << build.err;
}

TEST_F(InitTest, ExistingFolderIsLeftAlone) {
    writeBytes("taken/Nerro.ini", "mine");
    writeBytes("file", "a file");
    const struct {
        const char* target;
        std::string err;
    } cases[] = {
        {"taken", "nerro-pack: taken already exists and is not an empty folder\n"},
        {"file", "nerro-pack: file already exists and is not an empty folder\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const ToolRun run = RunCopy({"init", c.target});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, c.err);
    }
    EXPECT_EQ(folderListing("taken"), std::vector<std::string>{"Nerro.ini"});
    EXPECT_EQ(readBytes("taken/Nerro.ini"), "mine");
    EXPECT_EQ(readBytes("file"), "a file");
}

TEST_F(InitTest, VersionIsPrinted) {
    const ToolRun run = Run({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, std::string("nerro-pack ") + kPackToolVersion + "\n");
    EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace tooltest
