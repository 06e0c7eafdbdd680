// Helpers for tests of fatal run-time reports. A fatal report ends the
// process, so such tests run it in a death-test child, where a hook prints
// the report to standard error in place of the message box.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/runtime_error.h"

inline void printReport(const char* text, bool /*fatal*/) {
    std::fputs(text, stderr);
    std::fflush(stderr);
}

// Runs the death-test statement with the printing hook installed.
#define EXPECT_FATAL_REPORT(statement, pattern) \
    EXPECT_EXIT(                                \
        {                                       \
            setRunTimeErrorHook(printReport);   \
            statement;                          \
        },                                      \
        ::testing::ExitedWithCode(1), pattern)

// A fresh folder that is the current folder for the test's lifetime, so that
// "error.lst" lands there.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name)
        : previous_(std::filesystem::current_path()),
          path_(std::filesystem::temp_directory_path() / ("nerro-" + name)) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~ScratchFolder() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

inline std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// "error.lst" is a text file: its lines end in CR LF on Windows.
inline std::string readLog(const std::filesystem::path& path) {
    std::string text = readWholeFile(path);
    std::string lines;
    for (char c : text)
        if (c != '\r') lines += c;
    return lines;
}
