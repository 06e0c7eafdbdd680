// The private temporary file of Compact, in the system's folder for temporary
// files. Only its owner may read it, and no interruption leaves it behind:
// on POSIX systems its name is removed as soon as it is created (the open
// file lives on without one); on Windows the system deletes it when its last
// handle closes, which the end of the process does however it ends.
#pragma once

#include <filesystem>
#include <iostream>
#include <memory>
#include <streambuf>

class PackTempFile {
public:
    // Creates the file; IsOpen tells whether that worked.
    PackTempFile();
    ~PackTempFile();
    PackTempFile(const PackTempFile&) = delete;
    PackTempFile& operator=(const PackTempFile&) = delete;

    bool IsOpen() const { return buffer_ != nullptr; }
    std::iostream& Stream() { return stream_; }

    // The name the file was created under (gone at once on POSIX systems).
    const std::filesystem::path& CreatedAs() const { return path_; }

private:
    std::filesystem::path path_;
    std::unique_ptr<std::streambuf> buffer_;
    std::iostream stream_{nullptr};
};
