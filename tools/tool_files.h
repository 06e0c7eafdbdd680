// Files of nerro-pack: whole-file reads and writes, and replacing a file only
// once its new contents are complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// File names are byte strings in the system's narrow encoding (on Windows
// the ANSI code page), as entry names and command-line arguments are.
// useNativeEncoding makes std::filesystem::path read narrow strings in that
// encoding (call it first thing in main); nativeString gives a path back in
// it (path::string() gives UTF-8 on Windows, which no entry name uses).
void useNativeEncoding();
std::string nativeString(const std::filesystem::path& path);

// The whole file. Throws ToolError "cannot read PATH".
std::string readWholeFile(const std::filesystem::path& path);

// Creates or truncates path and writes size bytes. Throws ToolError "cannot write PATH".
void writeWholeFile(const std::filesystem::path& path, const uint8_t* data, size_t size);

// The new contents of a file are written to a temporary file in the same
// folder (TempPath) and renamed over the target by Commit, so the target is
// either its old self or complete: never half-written, whatever interrupts
// the work. Without Commit, the destructor deletes the temporary file; so
// does an interrupt (SIGINT, SIGTERM) while the object exists. One object at a
// time per process.
class ReplacingFile {
public:
    // Picks an unused temporary name beside target; creates nothing.
    explicit ReplacingFile(const std::string& target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    const std::string& TempPath() const { return temp_; }

    // Renames the temporary file over the target. Throws ToolError when that fails
    // (the temporary file is then deleted by the destructor).
    void Commit();

private:
    std::string target_;
    std::string temp_;
    bool committed_ = false;
};
