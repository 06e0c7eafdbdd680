// Files of nerro-pack: whole-file reads and writes, and replacing a file only
// once its new contents are complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// File names are UTF-8, as entry names, command-line arguments
// (foundation/console_program.h) and output are. A std::string is never
// made into a std::filesystem::path by the path's own constructor, which on
// Windows reads it in the C library's locale: pathFromUtf8 makes it, and
// utf8Path gives a path back as UTF-8 (both keep the bytes as they are off
// Windows).
std::filesystem::path pathFromUtf8(const std::string& utf8);
std::string utf8Path(const std::filesystem::path& path);

// The whole file. Throws ToolError "cannot read PATH".
std::string readWholeFile(const std::filesystem::path& path);

// A file created new for writing: never an existing file, nor the target of
// an existing link. Its contents reach the disk when it is flushed by path
// (syncFile) or replaces its target (ReplacingFile::Commit).
class NewFile {
public:
    // Throws ToolError "cannot create PATH" when path (UTF-8) exists or
    // cannot be made.
    explicit NewFile(const std::string& path);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Appends size bytes; false when they cannot all be written (a full disk).
    bool Write(const uint8_t* data, size_t size);
    // Closes the file; false when an earlier write or the close failed.
    bool Close();

private:
    int fd_ = -1;
    bool failed_ = false;
};

// Flushes the file's contents to the disk (fsync, or FlushFileBuffers on
// Windows); false when that fails.
bool syncFile(const std::string& path);

// The folder below base for the relative folder path, each missing folder on
// the way created. Refuses (ToolError, naming it) a folder on the way that is
// a symbolic link or not a folder: whatever is written below base stays
// below it. base itself is taken as it is, link or not.
std::filesystem::path folderBelow(const std::filesystem::path& base,
                                  const std::filesystem::path& relative);

// The new contents of a file are written to a temporary file in the same
// folder (TempPath) and renamed over the target by Commit, once flushed to
// the disk, so the target is either its old self or complete: never
// half-written, whatever interrupts the work. A target that is a symbolic
// link is replaced by the file; what it pointed to is left alone. Without
// Commit, the destructor deletes the temporary file; so does an interrupt
// (SIGINT, SIGTERM, SIGHUP; Ctrl+C and Ctrl+Break on Windows) while the
// object exists. One object at a time per process.
class ReplacingFile {
public:
    // Picks an unused temporary name beside target; creates nothing.
    explicit ReplacingFile(const std::string& target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    const std::string& TempPath() const { return temp_; }

    // Flushes the temporary file to the disk and renames it over the target.
    // Throws ToolError when that fails (the temporary file is then deleted by
    // the destructor).
    void Commit();

private:
    std::string target_;
    std::string temp_;
    bool committed_ = false;
};
