#include "foundation/text_case.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextCaseTest, EqualIgnoringCaseFoldsAsciiLettersOnly) {
    const struct {
        std::string a, b;
        bool equal;
    } cases[] = {
        {"", "", true},
        {"HKLM", "hklm", true},
        {"nerro-uninstall.EXE", "Nerro-Uninstall.exe", true},
        {"Software\\Nerro", "SOFTWARE\\NERRO", true},
        {"/S", "/s", true},
        {"HKLM", "HKLM ", false},       // lengths differ
        {"abc", "abd", false},
        {"ab", "abc", false},
        {std::string("a\0b", 3), std::string("A\0B", 3), true},  // not C strings
        {std::string("a\0b", 3), "a", false},
        {"@", "`", false},  // 0x40 and 0x60: case folding must not be a bit flip
        {"[", "{", false},  // 0x5B and 0x7B
        {"\xC4", "\xE4", false},  // Latin-1 A/a with diaeresis: not ASCII, not folded
        {"\xC3\x84", "\xC3\xA4", false},  // the same in UTF-8
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EqualIgnoringCase(c.a, c.b), c.equal) << "\"" << c.a << "\" vs \"" << c.b << "\"";
        EXPECT_EQ(EqualIgnoringCase(c.b, c.a), c.equal) << "\"" << c.b << "\" vs \"" << c.a << "\"";
    }
}

}  // namespace
