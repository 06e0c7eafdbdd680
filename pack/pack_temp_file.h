// The private temporary file of Compact and the spill store, in the system's
// folder for temporary files. Only its owner may read it, and no
// interruption leaves it behind: on POSIX systems its name is removed as soon
// as it is created (the open file lives on without one); on Windows the
// system deletes it when its last handle closes, which the end of the process
// does however it ends.
#pragma once

#include <memory>
#include <string>

#include "foundation/byte_file.h"

class PackTempFile {
public:
#ifdef _WIN32
    using NativePath = std::wstring;
#else
    using NativePath = std::string;
#endif

    // Creates the file; IsOpen tells whether that worked.
    PackTempFile();
    ~PackTempFile();
    PackTempFile(const PackTempFile&) = delete;
    PackTempFile& operator=(const PackTempFile&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    // The open file, read and written; only when IsOpen.
    SeekableFile& File() { return *file_; }

    // The name the file was created under (gone at once on POSIX systems).
    const NativePath& CreatedAs() const { return path_; }

private:
    NativePath path_;
    std::unique_ptr<DiskFile> file_;
};
