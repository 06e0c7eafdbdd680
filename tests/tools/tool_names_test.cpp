// Entry names as paths below a folder, the shown form of names, command-line
// options, the progress line and interrupted file replacement: the helpers
// behind nerro-pack's commands.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "pack/pack_file.h"
#include "tests/tools/tool_test_support.h"
#include "tools/tool_args.h"
#include "tools/tool_entry_names.h"
#include "tools/tool_errors.h"
#include "tools/tool_files.h"
#include "tools/tool_progress.h"

namespace {

TEST(ToolEntryNamesTest, SafeNamesBecomeRelativePaths) {
    const struct {
        const char* name;
        std::vector<std::string> components;
    } cases[] = {
        {"a.txt", {"a.txt"}},
        {"Sub\\Tool.dll", {"Sub", "Tool.dll"}},
        {"Sub/deeper\\x.y", {"Sub", "deeper", "x.y"}},
        {"..hidden", {"..hidden"}},
        // Names are UTF-8, and so are the paths made of them.
        {"Lumen Caf\xC3\xA9.8bf", {"Lumen Caf\xC3\xA9.8bf"}},
        {"\xC5\x81\xC3\xB3\x64\xC5\xBA\\\xE6\x9D\xB1\xE4\xBA\xAC.txt",
         {"\xC5\x81\xC3\xB3\x64\xC5\xBA", "\xE6\x9D\xB1\xE4\xBA\xAC.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(unsafeEntryNameReason(c.name), "");
        std::vector<std::string> components;
        for (const auto& part : entryRelativePath(c.name))
            components.push_back(utf8Path(part));
        EXPECT_EQ(components, c.components);
    }
}

TEST(ToolEntryNamesTest, NamesThatCouldLeaveTheFolderAreRefused) {
    const struct {
        std::string name;
        const char* reason;
    } cases[] = {
        {"", "the name is empty"},
        {"..", "it has a \"..\" component"},
        {"a/../../b", "it has a \"..\" component"},
        {"a\\..\\b", "it has a \"..\" component"},
        {"./a", "it has a \".\" component"},
        {"/etc/passwd", "it is an absolute path"},
        {"\\\\server\\share\\x", "it is an absolute path"},
        {"C:\\Windows\\x.dll", "it holds a drive letter or stream name (':')"},
        {"c:x", "it holds a drive letter or stream name (':')"},
        {"file.txt:stream", "it holds a drive letter or stream name (':')"},
        {"a//b", "it has an empty path component"},
        {"dir/", "it has an empty path component"},
        {".. /x", "a path component ends with a dot or a space"},
        {"...\\x", "a path component ends with a dot or a space"},
        {"name.", "a path component ends with a dot or a space"},
        {"a?b", "it holds a character that Windows does not allow in file names"},
        {"a<b>", "it holds a character that Windows does not allow in file names"},
        {"sub/NUL", "a path component is a device name on Windows"},
        {"con.txt", "a path component is a device name on Windows"},
        {"COM1", "a path component is a device name on Windows"},
        {"lpt9.log", "a path component is a device name on Windows"},
        // Windows drops the spaces before the extension first.
        {"NUL .txt", "a path component is a device name on Windows"},
        {"sub\\COM1 .x", "a path component is a device name on Windows"},
        {"aux  .log/x", "a path component is a device name on Windows"},
        {"CONIN$", "a path component is a device name on Windows"},
        {"conout$.txt", "a path component is a device name on Windows"},
        {std::string("a\nb"), "it holds a control character"},
        {std::string("a\0b", 3), "it holds a control character"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(printableName(c.name));
        EXPECT_EQ(unsafeEntryNameReason(c.name), c.reason);
    }
    // Names that only look like device names are fine.
    for (const char* name : {"CONSOLE", "com0", "COM10", "auxiliary.txt", "nullify", " NUL.txt",
                             "NUL x.txt", "CONIN"})
        EXPECT_EQ(unsafeEntryNameReason(name), "") << name;
}

TEST(ToolEntryNamesTest, ControlBytesAreShownEscaped) {
    EXPECT_EQ(printableName(std::string("a\x01\nb\x7F\xE9", 6)), "a\\x01\\x0Ab\\x7F\xE9");
    EXPECT_EQ(printableName("Sub\\x.dll"), "Sub\\x.dll");
}

TEST(ToolArgsTest, OptionsAndPositionalArguments) {
    const CommandArgs args =
        parseCommandArgs("build", {"prod", "-o", "a.exe", "--codec=lz", "--", "--stub"},
                         {"output", "codec", "stub"});
    EXPECT_EQ(args.positional, (std::vector<std::string>{"prod", "--stub"}));
    EXPECT_EQ(args.Value("output"), "a.exe");
    EXPECT_EQ(args.Value("codec"), "lz");
    EXPECT_FALSE(args.Has("stub"));
    EXPECT_EQ(args.Value("stub", "default"), "default");
    EXPECT_FALSE(args.help);

    EXPECT_THROW(parseCommandArgs("list", {"-o", "x"}, {}), UsageError);
    EXPECT_THROW(parseCommandArgs("build", {"-x"}, {"output"}), UsageError);
    EXPECT_THROW(parseCommandArgs("build", {"--output"}, {"output"}), UsageError);
    EXPECT_THROW(parseCommandArgs("build", {"-o", "a", "--output=b"}, {"output"}), UsageError);
    EXPECT_THROW(parseCommandArgs("extract", {"--output="}, {"output"}), UsageError);
    EXPECT_THROW(parseCommandArgs("extract", {"-o", ""}, {"output"}), UsageError);
}

TEST(ToolArgsTest, CodecNames) {
    EXPECT_EQ(parseCodec("block"), kPackModeBlock);
    EXPECT_EQ(parseCodec("lz"), kPackModeLz);
    EXPECT_EQ(parseCodec("store"), kPackModeStore);
    EXPECT_EQ(parseCodec("zstd"), packModeZstd(19));
    EXPECT_EQ(parseCodec("zstd:1"), packModeZstd(1));
    EXPECT_EQ(parseCodec("zstd:19"), packModeZstd(19));
    EXPECT_EQ(parseCodec("zstd:07"), packModeZstd(7));
    EXPECT_THROW(parseCodec("Block"), UsageError);
    EXPECT_THROW(parseCodec(""), UsageError);
    for (const char* bad : {"zstd:0", "zstd:20", "zstd:", "zstd:-1", "zstd:+5", "zstd:5x",
                            "zstd:100", "zstd:1.5", "zstd 5", "Zstd"})
        EXPECT_THROW(parseCodec(bad), UsageError) << bad;
}

#ifndef _WIN32
TEST(ToolFilesTest, InterruptsRemoveTheTemporaryFile) {
    tooltest::ScratchFolder scratch;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ReplacingFile replacing("target.bin");
            std::ofstream(replacing.TempPath()) << "half of it";
            std::raise(signal);
            std::_Exit(0);  // not reached: the handler ends the program
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        EXPECT_EQ(tooltest::folderListing("."), std::vector<std::string>{});
    }
}
#endif

TEST(ToolProgressTest, LineShowsShareOfBytesAndFitsTheWidth) {
    EXPECT_EQ(ProgressBar::Line(25, 100, '/', "a.dll", 40),
              "[#####---------------]  25% / a.dll     ");
    EXPECT_EQ(ProgressBar::Line(0, 0, '|', "", 30), "[####################] 100% | ");
    EXPECT_EQ(ProgressBar::Line(7, 3, '-', "long name of an entry", 34),
              "[####################] 100% - long");
    // Characters fill the width, and a UTF-8 name is cut between two of them.
    const std::string tokyo = "\xE6\x9D\xB1\xE4\xBA\xAC.8bf";  // "東京.8bf"
    const std::string head = "[####################] 100% | ";
    EXPECT_EQ(ProgressBar::Line(1, 1, '|', tokyo, 38), head + tokyo + "  ");
    EXPECT_EQ(ProgressBar::Line(1, 1, '|', tokyo, 36), head + tokyo);
    EXPECT_EQ(ProgressBar::Line(1, 1, '|', tokyo, 31), head + "\xE6\x9D\xB1");
    EXPECT_EQ(ProgressBar::Line(1, 1, '|', "\xC5\x81\xC3\xB3\x64\xC5\xBA", 32),
              head + "\xC5\x81\xC3\xB3");
}

}  // namespace
