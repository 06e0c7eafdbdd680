// UTF-8 and UTF-16 both ways, malformed input, the long-path form and files
// opened by UTF-8 names.
#include "foundation/utf8.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/foundation/fatal_report.h"
#include "tests/foundation/text_test_support.h"

namespace {

std::wstring wideOf(const std::u16string& units) {
    return std::wstring(units.begin(), units.end());
}

using texttest::bytesOf;
using texttest::utf16Bytes;

TEST(Utf8Test, WellFormedTextRoundTrips) {
    const struct {
        const char* what;
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"empty", "", u""},
        {"ASCII", "Nerro.ini", u"Nerro.ini"},
        {"two-byte forms", "Lumen Caf\xC3\xA9.8bf", u"Lumen Caf\u00E9.8bf"},
        {"Polish", "\xC5\x81\xC3\xB3\x64\xC5\xBA", u"\u0141\u00F3d\u017A"},
        {"three-byte forms", "\xE6\x9D\xB1\xE4\xBA\xAC", u"\u6771\u4EAC"},
        {"the highest two-byte and lowest three-byte", "\xDF\xBF\xE0\xA0\x80", u"\u07FF\u0800"},
        {"the last before the surrogates, the first after", "\xED\x9F\xBF\xEE\x80\x80",
         u"\uD7FF\uE000"},
        {"a surrogate pair", "a\xF0\x9F\x98\x80z", u"a\U0001F600z"},
        {"the highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"the replacement character itself", "\xEF\xBF\xBD", u"\uFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(IsValidUtf8(c.utf8));
        const std::wstring wide = Utf8ToWide(c.utf8);
        EXPECT_EQ(wide, wideOf(c.utf16));
        EXPECT_EQ(WideToUtf8(wide), c.utf8);
        EXPECT_EQ(WideToUtf8(wide.c_str()), c.utf8);
        const std::string little = utf16Bytes(c.utf16, false);
        const std::string big = utf16Bytes(c.utf16, true);
        EXPECT_EQ(Utf16LeToUtf8(bytesOf(little), little.size()), c.utf8);
        EXPECT_EQ(Utf16BeToUtf8(bytesOf(big), big.size()), c.utf8);
    }
    EXPECT_EQ(WideToUtf8(static_cast<const wchar_t*>(nullptr)), "");
}

TEST(Utf8Test, MalformedUtf8BecomesOneReplacementPerByte) {
    // A byte that starts no well-formed sequence gives U+FFFD and the next
    // byte is read afresh, so no byte of a damaged name is lost unseen.
    const struct {
        const char* what;
        std::string bytes;
        std::u16string wide;
    } cases[] = {
        {"a lone continuation byte", "a\x80z", u"a\uFFFDz"},
        {"a Latin-1 byte", "Caf\xE9", u"Caf\uFFFD"},
        {"a lead byte without its continuation", "\xC3z", u"\uFFFDz"},
        {"a three-byte form cut at the end", "x\xE6\x9D", u"x\uFFFD\uFFFD"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three-byte NUL", "\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"overlong four-byte", "\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"an encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"a byte never used", "\xF5\xFF", u"\uFFFD\uFFFD"},
        {"a good form after a bad one", "\xFF\xC3\xA9", u"\uFFFD\u00E9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(IsValidUtf8(c.bytes));
        EXPECT_EQ(Utf8ToWide(c.bytes), wideOf(c.wide));
    }
}

TEST(Utf8Test, UnpairedSurrogatesBecomeReplacements) {
    const struct {
        const char* what;
        std::u16string units;
        std::string utf8;
    } cases[] = {
        {"a high one alone", u"a\xD800z", "a\xEF\xBF\xBDz"},
        {"a low one alone", u"\xDC00", "\xEF\xBF\xBD"},
        {"a high one at the end", u"ab\xD83D", "ab\xEF\xBF\xBD"},
        {"two high ones, then a low one", u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {"low before high", u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WideToUtf8(wideOf(c.units)), c.utf8);
        const std::string little = utf16Bytes(c.units, false);
        const std::string big = utf16Bytes(c.units, true);
        EXPECT_EQ(Utf16LeToUtf8(bytesOf(little), little.size()), c.utf8);
        EXPECT_EQ(Utf16BeToUtf8(bytesOf(big), big.size()), c.utf8);
    }
    // A last odd byte is no unit.
    EXPECT_EQ(Utf16LeToUtf8(bytesOf(std::string("A\0B", 3)), 3), "A");
    EXPECT_EQ(Utf16BeToUtf8(bytesOf(std::string("\0AB", 3)), 3), "A");
}

TEST(Utf8Test, LongPathsTakeTheLiteralForm) {
    const std::string longer(250, 'l');
    std::string accents;  // 200 UTF-16 units in 400 bytes
    for (int i = 0; i < 200; ++i)
        accents += "\xC3\xA9";
    const struct {
        const char* what;
        std::string path;
        std::wstring wide;
    } cases[] = {
        {"a short path keeps its form", "C:/Program Files/Caf\xC3\xA9",
         L"C:\\Program Files\\Caf\u00E9"},
        {"a short network path", "\\\\server\\share\\x", L"\\\\server\\share\\x"},
        {"one unit below the limit", "C:\\" + std::string(244, 'p'),
         L"C:\\" + std::wstring(244, L'p')},
        {"at the limit", "C:\\" + std::string(245, 'p'), L"\\\\?\\C:\\" + std::wstring(245, L'p')},
        {"a long drive path", "d:/" + longer + "/x.8bf",
         L"\\\\?\\d:\\" + Utf8ToWide(longer) + L"\\x.8bf"},
        {"a long network path", "\\\\server\\share\\" + longer,
         L"\\\\?\\UNC\\server\\share\\" + Utf8ToWide(longer)},
        {"a long relative path stays", "sub\\" + longer, L"sub\\" + Utf8ToWide(longer)},
        {"a long path already literal", "\\\\?\\C:\\" + longer,
         L"\\\\?\\C:\\" + Utf8ToWide(longer)},
        {"a long device path stays", "\\\\.\\" + longer, L"\\\\.\\" + Utf8ToWide(longer)},
        // The limit counts UTF-16 units, not bytes.
        {"many bytes, few units", "C:\\" + accents, L"C:\\" + std::wstring(200, L'\u00E9')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Utf8ToWidePath(c.path), c.wide);
    }
}

TEST(Utf8Test, FilesOpenByUtf8Names) {
    ScratchFolder folder("utf8-files");
    const struct {
        const char* what;
        std::string name;
    } cases[] = {
        {"ASCII", "plain.txt"},
        {"Latin", "Lumen Caf\xC3\xA9.8bf"},
        {"Polish", "\xC5\x81\xC3\xB3\x64\xC5\xBA.txt"},
        {"Japanese", "\xE6\x9D\xB1\xE4\xBA\xAC.txt"},
        {"outside the basic plane", "\xF0\x9F\x98\x80.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::FILE* out = OpenFileUtf8(c.name.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fputs(c.what, out);
        std::fclose(out);
        // The system knows the file by that very name, in its own encoding.
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(c.name)));
        EXPECT_EQ(readWholeFile(std::filesystem::u8path(c.name)), c.what);
        std::FILE* in = OpenFileUtf8(c.name.c_str(), "rb");
        ASSERT_NE(in, nullptr);
        std::fclose(in);
    }
    EXPECT_EQ(OpenFileUtf8("missing-\xC3\xA9.txt", "rb"), nullptr);
    EXPECT_EQ(OpenFileUtf8(nullptr, "rb"), nullptr);
    EXPECT_EQ(OpenFileUtf8("plain.txt", nullptr), nullptr);
}

}  // namespace
