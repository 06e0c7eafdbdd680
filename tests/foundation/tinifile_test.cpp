#include "foundation/tinifile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/foundation/fatal_report.h"

namespace {

std::vector<std::string> storedLines(TIniFile& ini) {
    std::vector<std::string> lines;
    for (int32_t i = 0; ini.GetLine(i); ++i)
        lines.push_back(ini.GetLine(i));
    return lines;
}

// A text as a resource source hands it out: a block from std::malloc.
char* sourceText(const std::string& text) {
    char* block = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(block, text.c_str(), text.size() + 1);
    return block;
}

TEST(TIniFileTest, TrimsLinesAndBlanksAroundTheFirstEquals) {
    TIniFile ini;
    ASSERT_TRUE(ini.Parse("[General]\r\n  Title  =  My Title  \r\n\tA= b = c\r\n"));
    EXPECT_STREQ(ini.GetString("General", "Title", "none"), "My Title");
    EXPECT_STREQ(ini.GetString("General", "A", "none"), "b = c");
    EXPECT_EQ(storedLines(ini),
              (std::vector<std::string>{"[General]", "Title=My Title", "A=b = c"}));
}

TEST(TIniFileTest, SectionAndKeyMatching) {
    TIniFile ini;
    ini.Parse(
        "[General] ; main\n"
        "Lost=1\n"
        "[General]\n"
        "Key=first\n"
        "Key=second\n"
        "key=lower\n"
        "[Other]\n"
        "Late=other\n"
        "[General]\n"
        "Late=general\n");
    const char* def = "default";
    EXPECT_EQ(ini.GetString("General", "Lost", def), def);  // "[General] ; main" is no header
    EXPECT_STREQ(ini.GetString("General", "Key", def), "first");
    EXPECT_STREQ(ini.GetString("General", "key", def), "lower");
    EXPECT_EQ(ini.GetString("general", "Key", def), def);
    // A section standing twice is searched in order by GetString...
    EXPECT_STREQ(ini.GetString("General", "Late", def), "general");
    // ...but FindLine looks at its first occurrence only.
    EXPECT_EQ(ini.FindLine("General", "Late"), -1);
    EXPECT_EQ(ini.FindLine("General", "Key"), 3);
    EXPECT_EQ(ini.FindLine("General", nullptr), 2);
    EXPECT_EQ(ini.FindLine("Missing", nullptr), -1);
    EXPECT_EQ(ini.GetString("Missing", "Key", def), def);
}

TEST(TIniFileTest, KeyWithoutEqualsEndsTheSectionOccurrence) {
    TIniFile ini;
    ini.Parse("[S]\nKey\nKey=hidden\n[S]\nKey=found\n");
    EXPECT_STREQ(ini.GetString("S", "Key", "-"), "found");
    EXPECT_EQ(ini.FindLine("S", "Key"), -1);
    // A header that is the last line has no keys.
    TIniFile last;
    last.Parse("A=1\n[S]");
    EXPECT_STREQ(last.GetString("S", "A", "-"), "-");
}

TEST(TIniFileTest, LineSplittingAndEnds) {
    // Lines of any length up to the limit are stored whole.
    TIniFile ini;
    std::string longLine(300, 'x');
    std::string limit(TIniFile::kMaxLineLength, 'y');
    EXPECT_TRUE(ini.Parse((longLine + "\n" + limit + "\r\nlast").c_str()));
    EXPECT_EQ(storedLines(ini), (std::vector<std::string>{longLine, limit, "last"}));
    EXPECT_EQ(ini.ErrorLine(), 0);

    // CR-only line ends are no line ends; the CR is trimmed only at the end.
    TIniFile cr;
    cr.Parse("[S]\rA=1\rB=2\r");
    EXPECT_EQ(cr.LineCount(), 1);
    EXPECT_STREQ(cr.GetLine(0), "[S]\rA=1\rB=2");

    // Text ends at its first zero byte.
    TIniFile nul;
    const char text[] = "[S]\nA=1\0B=2\n";
    nul.Parse(text);
    EXPECT_EQ(storedLines(nul), (std::vector<std::string>{"[S]", "A=1"}));

    // A value of 10,000 bytes is one line and one value.
    TIniFile huge;
    const std::string value(10000, 'z');
    huge.Parse(("[S]\nKey=" + value + "\nNext=1\n").c_str());
    EXPECT_EQ(huge.LineCount(), 3);
    EXPECT_EQ(huge.GetString("S", "Key", ""), value);
    EXPECT_STREQ(huge.GetString("S", "Next", ""), "1");
}

TEST(TIniFileTest, TooLongLineIsAnErrorWithItsNumber) {
    const std::string tooLong(TIniFile::kMaxLineLength + 1, 'w');
    const struct {
        const char* what;
        std::string text;
        int32_t errorLine;
        std::vector<std::string> stored;  // the other lines, in their order
    } cases[] = {
        {"first line", tooLong + "\n[S]\nA=1\n", 1, {"[S]", "A=1"}},
        {"a value", "[S]\nA=1\nB=" + tooLong + "\nC=3\n", 3, {"[S]", "A=1", "C=3"}},
        {"last line, no line end", "[S]\nA=1\n" + tooLong, 3, {"[S]", "A=1"}},
        {"blanks count", "[S]\n  " + std::string(TIniFile::kMaxLineLength - 1, 'b') + "\n", 2,
         {"[S]"}},
        {"CR LF ends", "[S]\r\nA=1\r\n" + tooLong + "\r\nB=2\r\n", 3, {"[S]", "A=1", "B=2"}},
        {"the first of two", "x\n" + tooLong + "\n" + tooLong + "\ny\n", 2, {"x", "y"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TIniFile ini;
        EXPECT_FALSE(ini.Parse(c.text.c_str()));
        EXPECT_TRUE(ini.failed);
        EXPECT_EQ(ini.ErrorLine(), c.errorLine);
        EXPECT_EQ(storedLines(ini), c.stored);
    }

    // The next text parsed starts without an error line.
    TIniFile again;
    again.Parse(tooLong.c_str());
    again.failed = false;
    EXPECT_TRUE(again.Parse("[S]\nA=1\n"));
    EXPECT_EQ(again.ErrorLine(), 0);
}

char* longLineSource(const char* name, int, int, int) {
    return sourceText(std::strcmp(name, "long") == 0
                          ? "A=1\nB=" + std::string(TIniFile::kMaxLineLength, 'i')
                          : std::string("X=1\n"));
}

TEST(TIniFileTest, TooLongLineInAnIncludedTextNamesTheDirective) {
    setIniResourceSource(longLineSource);
    TIniFile ini;
    EXPECT_FALSE(ini.Parse("[S]\n#include short\n#include long\nC=3\n"));
    EXPECT_EQ(ini.ErrorLine(), 3);
    EXPECT_EQ(storedLines(ini), (std::vector<std::string>{"[S]", "X=1", "A=1", "C=3"}));
    setIniResourceSource(nullptr);
}

TEST(TIniFileTest, DefineStoresAKeyLine) {
    TIniFile ini;
    ini.Parse(
        "[Paint]\n"
        "#define Colour red\n"
        "  #define Shade dark red\r\n"
        "#defineTight x\n"
        "#define Lonely\r\n");
    EXPECT_STREQ(ini.GetString("Paint", "Colour", "-"), "red");
    EXPECT_STREQ(ini.GetString("Paint", "Shade", "-"), "dark");
    EXPECT_STREQ(ini.GetString("Paint", "Tight", "-"), "x");
    EXPECT_EQ(ini.FindLine("Paint", "Lonely"), 4);
    EXPECT_STREQ(ini.GetLine(4), "Lonely=");
}

TEST(TIniFileTest, IncludeWithoutSourceIsDropped) {
    TIniFile ini;
    EXPECT_TRUE(ini.Parse("[S]\nA=1\n#include \"other.ini\"\n#include plain name\nB=2\n"));
    EXPECT_EQ(storedLines(ini), (std::vector<std::string>{"[S]", "A=1", "B=2"}));
}

char* includeSource(const char* name, int, int, int) {
    std::string text;
    if (std::strcmp(name, "colours.ini") == 0)
        text = "Red=1\nGreen=2\n";
    else if (std::strcmp(name, "self") == 0)
        text = "X=1\n#include self\n";
    else
        return nullptr;
    return sourceText(text);
}

TEST(TIniFileTest, IncludeInsertsTheSourceTextInPlace) {
    setIniResourceSource(includeSource);
    TIniFile ini;
    ini.Parse("[S]\nA=1\n#include \"colours.ini\"\nB=2\n#include unknown\n");
    EXPECT_EQ(storedLines(ini),
              (std::vector<std::string>{"[S]", "A=1", "Red=1", "Green=2", "B=2"}));
    // A text that includes itself stops at a fixed depth.
    TIniFile loop;
    loop.Parse("#include self\n");
    EXPECT_EQ(loop.LineCount(), 16);
    setIniResourceSource(nullptr);
}

TEST(TIniFileTest, IntegersParseWithBaseZero) {
    TIniFile ini;
    ini.Parse(
        "[N]\nOct=010\nHex=0x1F\nTail=12abc\nWord=abc\nNeg= -7\nBig=99999999999\n"
        "Small=-99999999999\nEmpty=\n");
    struct Case {
        const char* key;
        int32_t expected;
    } cases[] = {{"Oct", 8},           {"Hex", 31},   {"Tail", 12},
                 {"Word", 0},          {"Neg", -7},   {"Big", 2147483647},
                 {"Small", INT32_MIN}, {"Empty", 42}, {"Missing", 42}};
    for (const Case& c : cases)
        EXPECT_EQ(ini.GetInt("N", c.key, 42), c.expected) << c.key;
    EXPECT_DOUBLE_EQ(ini.GetDouble("N", "Hex", 1.5), 31.0);
    EXPECT_DOUBLE_EQ(ini.GetDouble("N", "Empty", 1.5), 1.5);
}

TEST(TIniFileTest, BooleanWords) {
    TIniFile ini;
    ini.Parse(
        "[B]\nyes=yes\none=1\ntrue=true\non=on\nenable=enable\nru1=\xA4\xA0\nru2=\x84\xA0\n"
        "ru3=\x84\x80\nYes=Yes\nTRUE=TRUE\nzero=0\nno=no\nempty=\n"
        "utf1=\xD0\xB4\xD0\xB0\nutf2=\xD0\x94\xD0\xB0\nutf3=\xD0\x94\xD0\x90\n"
        "net=\xD0\xBD\xD0\xB5\xD1\x82\n");  // "да", "Да", "ДА"; "нет" (no)
    for (const char* key :
         {"yes", "one", "true", "on", "enable", "ru1", "ru2", "ru3", "utf1", "utf2", "utf3"})
        EXPECT_TRUE(ini.GetBool("B", key, false)) << key;
    for (const char* key : {"Yes", "TRUE", "zero", "no", "net"})
        EXPECT_FALSE(ini.GetBool("B", key, true)) << key;
    EXPECT_TRUE(ini.GetBool("B", "empty", true));
    EXPECT_FALSE(ini.GetBool("B", "missing", false));
}

TEST(TIniFileTest, ListGetters) {
    TIniFile ini;
    ini.Parse(
        "[L]\nInts=1,0x1F,010\nDoubles=1, 2.5;3\nS1=a,b c\nS2=\"x y\", z\nS3=a,,,b\nS4=a,,b\n"
        "Empty=\n");
    EXPECT_EQ(*ini.GetIntList("L", "Ints", nullptr), (std::vector<int32_t>{1, 31, 8}));
    EXPECT_EQ(*ini.GetDoubleList("L", "Doubles", nullptr), (std::vector<double>{1, 2.5, 3}));
    using Strings = std::vector<std::string>;
    EXPECT_EQ(*ini.GetStringList("L", "S1", nullptr), (Strings{"a", "b", "c"}));
    EXPECT_EQ(*ini.GetStringList("L", "S2", nullptr), (Strings{"x y", "z"}));
    EXPECT_EQ(*ini.GetStringList("L", "S3", nullptr), (Strings{"a", "", "b"}));
    EXPECT_EQ(*ini.GetStringList("L", "S4", nullptr), (Strings{"a", "b"}));
    // An empty value falls back to the default text; with none there is no list.
    EXPECT_EQ(ini.GetIntList("L", "Empty", nullptr), nullptr);
    EXPECT_EQ(*ini.GetIntList("L", "Empty", "4 5"), (std::vector<int32_t>{4, 5}));
    EXPECT_TRUE(ini.GetStringList("L", "Missing", "")->empty());
    // Splitting works on a copy.
    EXPECT_STREQ(ini.GetString("L", "S1", ""), "a,b c");
}

TEST(TIniFileTest, LookupsWithoutLines) {
    TIniFile ini;
    const char* def = "d";
    EXPECT_EQ(ini.GetString("S", "K", def), def);
    EXPECT_EQ(ini.FindLine("S", nullptr), -1);
    EXPECT_EQ(ini.GetLine(0), nullptr);
    EXPECT_FALSE(ini.Parse(nullptr));
    EXPECT_TRUE(ini.failed);
    EXPECT_EQ(ini.LineCount(), 0);

    TIniFile two;
    two.Parse("a\nb\n");
    EXPECT_EQ(two.GetLine(2), nullptr);
    EXPECT_EQ(two.GetLine(-1), nullptr);
    // A section name longer than a stored line can hold never matches.
    std::string longName(TIniFile::kMaxLineLength, 's');
    EXPECT_EQ(two.FindLine(longName.c_str(), nullptr), -1);
}

TEST(TIniFileTest, ParseReplacesAllLines) {
    TIniFile ini;
    ini.Parse("[A]\nX=1\n");
    ini.Parse("[B]\nY=2\n");
    EXPECT_STREQ(ini.GetString("A", "X", "-"), "-");
    EXPECT_STREQ(ini.GetString("B", "Y", "-"), "2");
}

TEST(TIniFileTest, LoadSaveAndReload) {
    ScratchFolder folder("ini-files");
    { std::ofstream("in.ini", std::ios::binary) << "[S]\r\n  K = v  \r\n"; }
    TIniFile ini;
    ASSERT_TRUE(ini.Load("in.ini"));
    EXPECT_FALSE(ini.failed);
    EXPECT_STREQ(ini.GetString("S", "K", "-"), "v");
    ini.Save("out.ini");
    EXPECT_EQ(readWholeFile("out.ini"), "[S]\r\nK=v\r\n");

    // A failed Load keeps the lines and remembers the path.
    EXPECT_FALSE(ini.Load("missing.ini"));
    EXPECT_TRUE(ini.failed);
    EXPECT_EQ(ini.FileName(), "missing.ini");
    EXPECT_STREQ(ini.GetString("S", "K", "-"), "v");

    // Without a resource source Reload has nothing to read.
    EXPECT_FALSE(ini.Reload());
    EXPECT_EQ(ini.LineCount(), 0);

    // A file that holds a line too long is read, and its Load fails.
    {
        std::ofstream("long.ini", std::ios::binary)
            << "[S]\r\nK=" << std::string(TIniFile::kMaxLineLength, 'v') << "\r\nL=1\r\n";
    }
    EXPECT_FALSE(ini.Load("long.ini"));
    EXPECT_TRUE(ini.failed);
    EXPECT_EQ(ini.ErrorLine(), 2);
    EXPECT_STREQ(ini.GetString("S", "L", "-"), "1");
}

TEST(TIniFileTest, MoreLinesThanACollectionHoldsAreCut) {
    std::string text;
    for (int i = 0; i < 65540; ++i)
        text += "k\n";
    TIniFile ini;
    EXPECT_FALSE(ini.Parse(text.c_str()));
    EXPECT_TRUE(ini.failed);
    EXPECT_EQ(ini.LineCount(), 65535);
}

}  // namespace
