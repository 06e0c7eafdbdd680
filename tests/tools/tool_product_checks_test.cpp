// nerro-pack build: the product files' mistakes it finds before the
// configuration check (encodings, near-miss keys, file count, logo, title).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/tools/tool_cli_fixture.h"

namespace fs = std::filesystem;

namespace tooltest {
namespace {

using ProductChecksTest = ToolCliTest;

std::string inProduct(const std::string& name) {
    return (fs::path("prod") / name).string();
}

void prepend(const std::string& name, const std::string& bytes) {
    writeBytes(fs::path("prod") / name, bytes + readBytes(fs::path("prod") / name));
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n') + 1);
}

TEST_F(ProductChecksTest, ErrorsStopTheBuild) {
    const struct {
        const char* what;
        std::function<void()> spoil;
        std::string line;  // the first line of standard error
    } cases[] = {
        {"Nerro.ini in UTF-8", [] { prepend("Nerro.ini", "\xEF\xBB\xBF"); },
         inProduct("Nerro.ini") + ":1: saved as UTF-8: save it as ANSI"},
        {"Nerro.ini in UTF-16", [] { prepend("Nerro.ini", "\xFF\xFE"); },
         inProduct("Nerro.ini") + ":1: saved as UTF-16: save it as ANSI"},
        {"catalogue in UTF-8", [] { prepend("English.clg", "\xEF\xBB\xBF"); },
         inProduct("English.clg") + ":1: saved as UTF-8: save it as ANSI"},
        {"catalogue in UTF-16, big-endian", [] { prepend("English.clg", "\xFE\xFF"); },
         inProduct("English.clg") + ":1: saved as UTF-16: save it as ANSI"},
        {"file count not a number", [] { editIni("Number of files=3", "Number of files=three"); },
         inProduct("Nerro.ini") + ":7: \"Number of files\" is \"three\", not a number"},
        {"file count below the sections", [] { editIni("Number of files=3", "Number of files=2"); },
         inProduct("Nerro.ini") +
             ":7: \"Number of files\" is 2 but Nerro.ini has 3 file sections ([0] to [2])"},
        {"file count above the sections", [] { editIni("Number of files=3", "Number of files=4"); },
         inProduct("Nerro.ini") +
             ":7: \"Number of files\" is 4 but Nerro.ini has 3 file sections ([0] to [2])"},
        {"a section number skipped", [] { editIni("[1]", "[5]"); },
         inProduct("Nerro.ini") +
             ":7: \"Number of files\" is 3 but Nerro.ini has 3 file sections ([0] to [5])"},
        {"logo of another format",
         [] { writeBytes("prod/logo.bmp", "GIF89a" + std::string(90, 'g')); },
         inProduct("logo.bmp") + ": not a bitmap: does not begin with \"BM\""},
        {"logo cut short", [] { writeBytes("prod/logo.bmp", "BM" + std::string(20, '\0')); },
         inProduct("logo.bmp") + ": not a bitmap: too short for a bitmap's headers"},
        {"logo with an unknown info header",
         [] {
             std::string logo = readBytes("prod/logo.bmp");
             logo[14] = 7;
             writeBytes("prod/logo.bmp", logo);
         },
         inProduct("logo.bmp") + ": not a bitmap: its info header is damaged"},
        {"logo with no colour depth",
         [] {
             std::string logo = readBytes("prod/logo.bmp");
             logo[28] = 0;
             writeBytes("prod/logo.bmp", logo);
         },
         inProduct("logo.bmp") + ": not a bitmap: its size or colour depth is not a bitmap's"},
        {"logo whose pixels lie beyond it",
         [] {
             std::string logo = readBytes("prod/logo.bmp");
             logo[11] = '\x7F';
             writeBytes("prod/logo.bmp", logo);
         },
         inProduct("logo.bmp") + ": not a bitmap: its pixels lie outside the file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MakeProduct();
        c.spoil();
        const std::vector<std::string> before = folderListing(".");
        const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(firstLine(run.err), "nerro-pack: " + c.line + "\n");
        EXPECT_EQ(folderListing("."), before);
    }
}

TEST_F(ProductChecksTest, WarningsNameTheLineAndTheBuildGoesOn) {
    const struct {
        const char* what;
        std::string from;
        std::string to;
        std::string line;  // the whole of standard error
    } cases[] = {
        {"key in other letter case", "Title=Demo Setup", "Title=Demo Setup\ncopyright=(c) Demo",
         ":3: \"copyright\" is not a key the installer reads: did you mean \"Copyright\"?"},
        {"key with a letter dropped", "Title=Demo Setup", "Title=Demo Setup\nPublsher=Demo",
         ":3: \"Publsher\" is not a key the installer reads: did you mean \"Publisher\"?"},
        {"key with a letter changed", "Title=Demo Setup", "Title=Demo Setup\nVersiom=1.0",
         ":3: \"Versiom\" is not a key the installer reads: did you mean \"Version\"?"},
        {"key with a letter added", "Title=Demo Setup", "Title=Demo Setup\nHelp links=http://x",
         ":3: \"Help links\" is not a key the installer reads: did you mean \"Help link\"?"},
        {"file type key with a letter dropped", "Title=Demo Setup",
         "Title=Demo Setup\nFile type 0.Extension=.flt",
         ":3: \"File type 0.Extension\" is not a key the installer reads: did you mean \"File "
         "type 0.Extensions\"?"},
        {"file type key in other letter case", "Title=Demo Setup",
         "Title=Demo Setup\nfile type 1.Icon=2",
         ":3: \"file type 1.Icon\" is not a key the installer reads: did you mean \"File type "
         "1.Icon\"?"},
        {"host switch with a letter dropped", "Title=Demo Setup",
         "Title=Demo Setup\nBuilt-in host=0",
         ":3: \"Built-in host\" is not a key the installer reads: did you mean \"Built-in "
         "hosts\"?"},
        {"empty title", "Title=Demo Setup",
         "Title=", ":2: \"Title\" is empty: the installer's window has no caption"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MakeProduct();
        editIni(c.from, c.to);
        const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "nerro-pack: warning: " + inProduct("Nerro.ini") + c.line + "\n");
        EXPECT_TRUE(fs::exists("setup.exe"));
        fs::remove("setup.exe");
    }
}

TEST_F(ProductChecksTest, KeysFarFromKnownOnesAndKnownOnesPassQuietly) {
    MakeProduct();
    editIni("Title=Demo Setup",
            "Title=Demo Setup\nComment=not read\nVersion=1.0\nFile type 0.Open command=x\n"
            "Number of file types=0");
    const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace tooltest
