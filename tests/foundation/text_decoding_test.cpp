// Text files in each encoding a vendor may save them in: UTF-8 with and
// without a byte order mark, UTF-16 either way round with one, and legacy
// code pages, declared ("Code page") or the system's.
#include "foundation/text_decoding.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/code_page.h"
#include "foundation/tinifile.h"
#include "foundation/utf8.h"
#include "tests/foundation/fatal_report.h"
#include "tests/foundation/text_test_support.h"

namespace {

using texttest::bytesOf;

using texttest::utf16File;

// "Café" as the system's ANSI code page reads byte E9: off Windows 1252
// stands in for it; on Windows it is whatever the system says.
std::string systemCafe() {
#ifdef _WIN32
    std::string text;
    EXPECT_TRUE(CodePageToUtf8(kSystemCodePage, "Caf\xE9", text));
    return text;
#else
    return "Caf\xC3\xA9";
#endif
}

// "Привет" (hello) in code page 1251 and in UTF-8.
const char* const kHelloCp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
const char* const kHelloUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";

TEST(TextDecodingTest, EachEncodingBecomesUtf8) {
    const std::string utf8Text =
        std::string("[General]\r\nTitle=") + kHelloUtf8 + " Caf\xC3\xA9\r\n";
    const struct {
        const char* what;
        std::string bytes;
        const char* section;
        TextEncoding encoding;
        std::string text;
        uint32_t codePage;
        int32_t firstNonAsciiLine;
    } cases[] = {
        {"UTF-8", utf8Text, "General", TextEncoding::Utf8, utf8Text, 0, 0},
        {"plain ASCII", "[General]\nTitle=x\n", "General", TextEncoding::Utf8,
         "[General]\nTitle=x\n", 0, 0},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + utf8Text, "General",
         TextEncoding::Utf8WithMark, utf8Text, 0, 0},
        {"UTF-16 little-endian", utf16File(utf8Text), "General", TextEncoding::Utf16Le, utf8Text, 0,
         0},
        {"UTF-16 big-endian", utf16File(utf8Text, true), "General", TextEncoding::Utf16Be, utf8Text,
         0, 0},
        {"code page 1251 declared",
         std::string("[General]\nCode page=1251\n\nTitle=") + kHelloCp1251 + "\n", "General",
         TextEncoding::DeclaredCodePage,
         std::string("[General]\nCode page=1251\n\nTitle=") + kHelloUtf8 + "\n", 1251, 4},
        {"code page declared in hex, in [Info]",
         std::string("[Info]\n419=ok\nCode page=0x4E3\n[Main]\n1=") + kHelloCp1251, "Info",
         TextEncoding::DeclaredCodePage,
         std::string("[Info]\n419=ok\nCode page=0x4E3\n[Main]\n1=") + kHelloUtf8, 1251, 5},
        {"no code page declared", "[General]\nTitle=Caf\xE9\n", "General",
         TextEncoding::SystemCodePage, "[General]\nTitle=" + systemCafe() + "\n", 0, 2},
        {"a code page declared in another section",
         "[Other]\nCode page=1251\n[General]\nTitle=Caf\xE9", "General",
         TextEncoding::SystemCodePage, "[Other]\nCode page=1251\n[General]\nTitle=" + systemCafe(),
         0, 4},
        {"no section to look in", "Code page=1251\nTitle=Caf\xE9", nullptr,
         TextEncoding::SystemCodePage, "Code page=1251\nTitle=" + systemCafe(), 0, 2},
        // Valid UTF-8 is taken as such: a declaration is for legacy bytes only.
        {"UTF-8 with a declaration", std::string("[General]\nCode page=1251\nTitle=") + kHelloUtf8,
         "General", TextEncoding::Utf8,
         std::string("[General]\nCode page=1251\nTitle=") + kHelloUtf8, 0, 0},
        {"bad bytes after a UTF-8 byte order mark", "\xEF\xBB\xBFTitle=Caf\xE9", "General",
         TextEncoding::Utf8WithMark, "Title=Caf\xEF\xBF\xBD", 0, 0},
        {"nothing", "", "General", TextEncoding::Utf8, "", 0, 0},
        {"only a byte order mark", "\xFF\xFE", "General", TextEncoding::Utf16Le, "", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DecodedText decoded = DecodeTextFile(bytesOf(c.bytes), c.bytes.size(), c.section);
        EXPECT_EQ(decoded.encoding, c.encoding);
        EXPECT_EQ(decoded.text, c.text);
        EXPECT_EQ(decoded.codePage, c.codePage);
        EXPECT_EQ(decoded.firstNonAsciiLine, c.firstNonAsciiLine);
        EXPECT_EQ(decoded.error, "");
    }
    const DecodedText none = DecodeTextFile(nullptr, 10, "General");
    EXPECT_EQ(none.text, "");
    EXPECT_EQ(none.error, "");
}

TEST(TextDecodingTest, AnUnknownCodePageIsAnError) {
    const std::string bytes = "[Info]\nCode page=9999\n[Main]\n1=Caf\xE9\n";
    const DecodedText decoded = DecodeTextFile(bytesOf(bytes), bytes.size(), "Info");
    EXPECT_EQ(decoded.encoding, TextEncoding::DeclaredCodePage);
    EXPECT_EQ(decoded.codePage, 9999u);
    EXPECT_EQ(decoded.error, "code page 9999 is not known to this system");
    EXPECT_EQ(decoded.text, "");

    TIniFile ini;
    ini.Parse("[Old]\nA=1\n");
    DecodedText told;
    EXPECT_FALSE(ParseTextFile(ini, bytesOf(bytes), bytes.size(), "Info", &told));
    EXPECT_TRUE(ini.failed);
    EXPECT_EQ(ini.LineCount(), 0);
    EXPECT_EQ(told.error, decoded.error);
}

TEST(TextDecodingTest, ParsedTextIsLookedUpInUtf8) {
    // "インストール" (install).
    const std::string installUtf8 =
        "\xE3\x82\xA4\xE3\x83\xB3\xE3\x82\xB9\xE3\x83\x88\xE3\x83\xBC\xE3\x83\xAB";
    const std::string text = "[Main]\r\n1001=" + installUtf8 + "\r\n";
    const struct {
        const char* what;
        std::string bytes;
        TextEncoding encoding;
    } cases[] = {
        {"UTF-16 little-endian", utf16File(text), TextEncoding::Utf16Le},
        {"UTF-16 big-endian", utf16File(text, true), TextEncoding::Utf16Be},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + text, TextEncoding::Utf8WithMark},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TIniFile ini;
        DecodedText decoded;
        EXPECT_TRUE(ParseTextFile(ini, bytesOf(c.bytes), c.bytes.size(), "Info", &decoded));
        EXPECT_EQ(decoded.encoding, c.encoding);
        EXPECT_EQ(ini.GetString("Main", "1001", ""), installUtf8);
        // The byte order mark is no part of the first line.
        EXPECT_EQ(ini.FindLine("Main", nullptr), 0);
    }
}

TEST(TextDecodingTest, ATooLongLineFailsTheParse) {
    const std::string bytes =
        "[General]\nTitle=x\nCopyright=" + std::string(TIniFile::kMaxLineLength, 'c') + "\n";
    TIniFile ini;
    DecodedText decoded;
    EXPECT_FALSE(ParseTextFile(ini, bytesOf(bytes), bytes.size(), "General", &decoded));
    EXPECT_TRUE(ini.failed);
    EXPECT_EQ(ini.ErrorLine(), 3);
    EXPECT_EQ(decoded.error, "");
    // Without a DecodedText to fill, the same.
    TIniFile plain;
    EXPECT_FALSE(ParseTextFile(plain, bytesOf(bytes), bytes.size(), "General"));
    EXPECT_EQ(plain.ErrorLine(), 3);
}

TEST(TextDecodingTest, ALegacyCatalogueInItsDeclaredCodePage) {
    // A Russian catalogue as it was saved before UTF-8: in code page 1251,
    // which its [Info] names.
    const std::string bytes =
        readWholeFile(std::string(NERRO_FOUNDATION_FIXTURES) + "/russian-cp1251.clg");
    ASSERT_FALSE(bytes.empty());
    TIniFile ini;
    DecodedText decoded;
    ASSERT_TRUE(ParseTextFile(ini, bytesOf(bytes), bytes.size(), "Info", &decoded));
    EXPECT_EQ(decoded.encoding, TextEncoding::DeclaredCodePage);
    EXPECT_EQ(decoded.codePage, 1251u);
    EXPECT_EQ(decoded.firstNonAsciiLine, 1);  // its comment
    EXPECT_STREQ(ini.GetString("Info", "419", ""), "ok");
    // "Установить" (install) and "Отмена" (cancel).
    EXPECT_STREQ(
        ini.GetString("Main", "1001", ""),
        "\xD0\xA3\xD1\x81\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xB8\xD1\x82\xD1\x8C");
    EXPECT_STREQ(ini.GetString("Browse", "2", ""),
                 "\xD0\x9E\xD1\x82\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB0");
    EXPECT_TRUE(IsValidUtf8(decoded.text));
}

}  // namespace
