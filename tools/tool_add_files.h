// Adding files to a pack, compressed on several threads at once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class ProgressBar;
class TPackFile;

// One file to become an entry.
struct FileToAdd {
    std::string name;            // the entry's name (UTF-8)
    std::filesystem::path file;  // where its bytes are
    uint64_t size = 0;           // the file's size, for the progress bar
};

// Adds the files to pack as entries, in the order given, with the AddStream
// mode. With jobs = 1 each is added by AddStream in turn. With more, up to
// jobs files are compressed at once on worker threads (PackPreparedEntry)
// and appended in order by the calling thread: the pack gets the very bytes
// that jobs = 1 gives. At most 2 x jobs files are coded ahead of the one
// being appended; each keeps up to 4 MiB of coded bytes in memory and the
// rest in a temporary file, besides a block compressor's 7.5 MB per thread.
// Every name is checked first: a name longer than 32767 bytes or not UTF-8
// throws ToolError ("entry name longer than 32767 bytes: FILE", "entry name
// is not UTF-8: ...") before anything is added. Then throws ToolError for
// the first file, in order, that fails: "cannot read FILE" or "cannot add
// FILE to WHERE"; nothing after it is added, and no worker is left running.
void addFilesToPack(TPackFile& pack, const std::vector<FileToAdd>& files, uint32_t mode,
                    unsigned jobs, const std::string& where, ProgressBar& bar);
