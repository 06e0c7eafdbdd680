// The installation log (/LOG=FILE): one plain line per thing written
// (folder, file, shortcut, registry key and value) and per error, in UTF-8,
// written through at once, so that it is complete however the run ends.
#pragma once

#include <string>

#include "platform/kernel_handles.h"

class InstallLog {
public:
    // No file: every line is dropped.
    InstallLog() = default;
    // Creates (or empties) the file at path; Opened() tells whether it could.
    explicit InstallLog(const std::string& path);

    bool Opened() const { return static_cast<bool>(file_); }
    void Line(const std::string& text);

private:
    UniqueHandle file_;
};
