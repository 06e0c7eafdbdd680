// Files of bytes with 64-bit positions, and the sources and sinks over them.
//
// SeekableFile is what the pack reads and writes: a file on disk (DiskFile,
// over the C library's FILE with 64-bit seeks) or bytes in memory
// (MemoryFile). One object has one position; one operation at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "foundation/byte_stream.h"

class SeekableFile {
public:
    virtual ~SeekableFile() = default;

    // Moves to position (which may lie beyond the end: a write there
    // lengthens the file). False when the file cannot seek.
    virtual bool Seek(uint64_t position) = 0;

    // Copies up to size bytes from the position on into data and moves past
    // them; got is how many (fewer than size at the end). False when the
    // read failed.
    virtual bool Read(void* data, size_t size, size_t& got) = 0;

    // Writes size bytes at the position and moves past them; false when
    // they cannot all be written.
    virtual bool Write(const void* data, size_t size) = 0;

    // The file's length; nothing when it cannot be had. The position is
    // left where it was.
    virtual std::optional<uint64_t> Size() = 0;

    // The position; nothing when it cannot be had.
    virtual std::optional<uint64_t> Position() = 0;

    // Hands what is buffered on to the system; false when that fails.
    virtual bool Flush() = 0;
};

// A file on disk, through a FILE of its own with a buffer of 64 KiB.
class DiskFile final : public SeekableFile {
public:
    enum class Access {
        Read,       // an existing file, read only
        ReadWrite,  // an existing file, read and written
        Create,     // read and written; created (empty) when missing, else kept
    };

    // The file at path (UTF-8, opened with the wide functions on Windows),
    // or null when it cannot be opened.
    static std::unique_ptr<DiskFile> Open(const char* path, Access access);
    // Takes over the open descriptor fd (read and written); null when that
    // fails (fd is then closed).
    static std::unique_ptr<DiskFile> FromDescriptor(int fd);

    ~DiskFile() override;
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    bool Seek(uint64_t position) override;
    bool Read(void* data, size_t size, size_t& got) override;
    bool Write(const void* data, size_t size) override;
    std::optional<uint64_t> Size() override;
    std::optional<uint64_t> Position() override;
    bool Flush() override;

private:
    explicit DiskFile(std::FILE* file);
    // The C library wants a seek or a flush between a write and a read.
    bool SwitchTo(bool writing);

    std::FILE* file_;
    std::unique_ptr<char[]> buffer_;
    bool writing_ = false;
};

// Bytes in memory, read and written as a file.
class MemoryFile final : public SeekableFile {
public:
    explicit MemoryFile(std::string bytes = std::string()) : bytes_(std::move(bytes)) {}

    bool Seek(uint64_t position) override;
    bool Read(void* data, size_t size, size_t& got) override;
    bool Write(const void* data, size_t size) override;
    std::optional<uint64_t> Size() override { return bytes_.size(); }
    std::optional<uint64_t> Position() override { return position_; }
    bool Flush() override { return true; }

    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
    uint64_t position_ = 0;
};

// Reads file from its position on, through a buffer of bufferSize bytes
// (requests of 64 KiB and more go straight to the file). The file must not
// be used otherwise while the source reads it.
class FileSource final : public ByteSource {
public:
    explicit FileSource(SeekableFile& file, size_t bufferSize = 256 * 1024);

protected:
    bool Refill() override;
    size_t ReadLarge(uint8_t* data, size_t size) override;

private:
    SeekableFile& file_;
    std::unique_ptr<uint8_t[]> buffer_;
    size_t bufferSize_;
};

// Writes to file at its position.
class FileSink final : public ByteSink {
public:
    explicit FileSink(SeekableFile& file) : file_(file) {}

    bool Write(const void* data, size_t size) override { return file_.Write(data, size); }
    bool Flush() override { return file_.Flush(); }

private:
    SeekableFile& file_;
};
