// The installer's command line: switches for scripts, a pack file argument,
// and the folder that takes the rest of the line.
#include "config/setup_command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(SetupCommandLine, SwitchesPackFileAndFolder) {
    const struct {
        const char* line;
        const char* packPath;
        const char* folder;
        const char* logPath;
        bool silent, help;
        const char* error;
    } cases[] = {
        {"setup.exe", "", "", "", false, false, ""},
        {"\"C:\\My Downloads\\setup.exe\"", "", "", "", false, false, ""},
        {"setup.exe other.exe", "other.exe", "", "", false, false, ""},
        {"setup.exe \"\"", "", "", "", false, false, ""},
        {"setup.exe /S", "", "", "", true, false, ""},
        {"setup.exe /s /D=C:\\Program Files\\My Plug-ins ", "", "C:\\Program Files\\My Plug-ins", "",
         true, false, ""},
        {"setup.exe /S /D=\"C:\\Quoted Folder\"", "", "C:\\Quoted Folder", "", true, false, ""},
        {"setup.exe /S /LOG=\"C:\\log file.txt\" /D=D:\\x /S", "", "D:\\x /S", "C:\\log file.txt",
         true, false, ""},
        {"setup.exe pack.bin /log=l.txt", "pack.bin", "", "l.txt", false, false, ""},
        {"setup.exe /?", "", "", "", false, true, ""},
        {"setup.exe /S /X", "", "", "", true, false, "unknown switch /X"},
        {"setup.exe /S /D=", "", "", "", true, false, "/D= names no folder"},
        {"setup.exe /LOG=", "", "", "", false, false, "/LOG= names no file"},
        {"setup.exe a b", "a", "", "", false, false, "more than one pack file: \"b\""},
    };
    for (const auto& c : cases) {
        const SetupOptions options = ParseSetupCommandLine(c.line);
        EXPECT_EQ(options.packPath, c.packPath) << c.line;
        EXPECT_EQ(options.folder, c.folder) << c.line;
        EXPECT_EQ(options.logPath, c.logPath) << c.line;
        EXPECT_EQ(options.silent, c.silent) << c.line;
        EXPECT_EQ(options.help, c.help) << c.line;
        EXPECT_EQ(options.error, c.error) << c.line;
    }
    EXPECT_EQ(ParseSetupCommandLine("\"C:\\My Downloads\\setup.exe\" /S").program,
              "C:\\My Downloads\\setup.exe");
}

}  // namespace
