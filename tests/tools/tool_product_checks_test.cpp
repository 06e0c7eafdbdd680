// nerro-pack build: the product files' mistakes it finds before the
// configuration check (text the installer cannot read or reads differently
// from system to system, near-miss keys, file count, logo, title), and the
// encodings it takes as they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/tinifile.h"
#include "pack/pack_file.h"
#include "tests/foundation/text_test_support.h"
#include "tests/tools/tool_cli_fixture.h"

namespace fs = std::filesystem;

namespace tooltest {
namespace {

using ProductChecksTest = ToolCliTest;

std::string inProduct(const std::string& name) {
    return (fs::path("prod") / name).string();
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
        {"Nerro.ini in a code page the system does not know",
         [] { editIni("Title=Demo Setup", "Code page=9999\nTitle=D\xE9mo Setup"); },
         inProduct("Nerro.ini") +
             ":2: code page 9999 is not known to this system: save the file as UTF-8"},
        {"catalogue in a code page the system does not know",
         [] { writeBytes("prod/English.clg", "[Main]\n1=Inst\xE1lar\n[Info]\nCode page=9999\n"); },
         inProduct("English.clg") +
             ":4: code page 9999 is not known to this system: save the file as UTF-8"},
        {"a line too long in Nerro.ini",
         [] {
             editIni("Title=Demo Setup", "Title=Demo Setup\nCopyright=" +
                                             std::string(TIniFile::kMaxLineLength, 'c'));
         },
         inProduct("Nerro.ini") + ":3: line longer than 65535 bytes: the installer cannot read "
                                  "the file"},
        {"a line too long in a UTF-16 catalogue",
         [] {
             writeBytes("prod/English.clg",
                        texttest::utf16File("[Main]\r\n1=Install\r\n2=" +
                                            std::string(70000, 'x') + "\r\n"));
         },
         inProduct("English.clg") + ":3: line longer than 65535 bytes: the installer cannot "
                                    "read the file"},
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
        {"ANSI in no declared code page", "Title=Demo Setup", "Title=D\xE9mo Setup",
         ":2: saved as ANSI with no \"Code page\" in [General]: its letters depend on the code "
         "page of the user's system; save it as UTF-8"},
        {"a code page in the wrong letter case", "Title=Demo Setup",
         "code page=1252\nTitle=Demo Setup",
         ":2: \"code page\" is not a key the installer reads: did you mean \"Code page\"?"},
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

TEST_F(ProductChecksTest, EncodingsTheInstallerReadsAreTakenAsTheyAre) {
    // "Démo" and "インストール" (install) in UTF-8; "Демо" in code page 1251.
    const std::string demoUtf8 = "D\xC3\xA9mo";
    const std::string installJapanese =
        "\xE3\x82\xA4\xE3\x83\xB3\xE3\x82\xB9\xE3\x83\x88\xE3\x83\xBC\xE3\x83\xAB";
    const std::string ansiWarning =
        ": saved as ANSI with no \"Code page\" in [Info]: its letters depend on the code page "
        "of the user's system; save it as UTF-8\n";
    const std::string ini = kProductIni;
    const auto titled = [&ini](const std::string& title, const std::string& before = "") {
        std::string text = ini;
        text.replace(text.find("Title=Demo Setup"), 16, before + "Title=" + title);
        return text;
    };
    const struct {
        const char* what;
        const char* file;
        std::string bytes;
        std::string err;  // the whole of standard error
    } cases[] = {
        {"Nerro.ini in UTF-8", "Nerro.ini", titled(demoUtf8), ""},
        {"Nerro.ini in UTF-8 with a byte order mark", "Nerro.ini",
         "\xEF\xBB\xBF" + titled(demoUtf8), ""},
        {"Nerro.ini in UTF-16", "Nerro.ini", texttest::utf16File(titled(demoUtf8)), ""},
        {"Nerro.ini in a declared code page", "Nerro.ini",
         titled("\xC4\xE5\xEC\xEE", "Code page=1251\n"), ""},
        {"catalogue in UTF-8", "English.clg", "[Main]\n1=" + installJapanese + "\n", ""},
        {"catalogue in UTF-16, big-endian", "English.clg",
         texttest::utf16File("[Main]\n1=" + installJapanese + "\n", true), ""},
        {"catalogue in a declared code page", "English.clg",
         "[Info]\n419=ok\nCode page=1251\n[Main]\n1=\xC4\xE5\xEC\xEE\n", ""},
        {"catalogue in ANSI", "English.clg", "[Main]\n1=Install\n2=Abbr\xE9\x63hen\n",
         "nerro-pack: warning: " + inProduct("English.clg") + ":3" + ansiWarning},
        {"catalogue naming its code page outside [Info]", "English.clg",
         "[Main]\nCode page=1252\n1=Caf\xE9\n",
         "nerro-pack: warning: " + inProduct("English.clg") + ":3" + ansiWarning},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MakeProduct();
        writeBytes(fs::path("prod") / c.file, c.bytes);
        const ToolRun run = Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, c.err);
        // The installer decodes the file: the pack holds its bytes unchanged.
        TPackFile pack("setup.exe", false);
        uint32_t size = 0;
        std::unique_ptr<uint8_t[]> packed(pack.Extract(c.file, true, &size));
        ASSERT_NE(packed, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(packed.get()), size), c.bytes);
    }
}

}  // namespace
}  // namespace tooltest
