// The private temporary file of Compact: created empty in the system's folder
// for temporary files under a name no file has, deleted when the object goes.
#pragma once

#include <filesystem>
#include <fstream>

class PackTempFile {
public:
    // Creates the file; IsOpen tells whether that worked.
    PackTempFile();
    ~PackTempFile();
    PackTempFile(const PackTempFile&) = delete;
    PackTempFile& operator=(const PackTempFile&) = delete;

    bool IsOpen() const { return stream_.is_open(); }
    std::fstream& Stream() { return stream_; }

private:
    std::filesystem::path path_;
    std::fstream stream_;
};
