#include "foundation/byte_file.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "foundation/utf8.h"

namespace {

constexpr size_t kDiskBufferSize = 64 * 1024;

// 64-bit positions on every system: the C library's long is 32 bits on
// Windows.
int seekFile(std::FILE* file, uint64_t position, int whence) {
    if (position > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return -1;
#ifdef _WIN32
    return _fseeki64(file, static_cast<int64_t>(position), whence);
#else
    return fseeko(file, static_cast<off_t>(position), whence);
#endif
}

int64_t tellFile(std::FILE* file) {
#ifdef _WIN32
    return _ftelli64(file);
#else
    return ftello(file);
#endif
}

}  // namespace

// ---------------------------------------------------------------------------
// DiskFile

std::unique_ptr<DiskFile> DiskFile::Open(const char* path, Access access) {
    if (!path) return nullptr;
    if (access == Access::Create) {
        // Append mode creates a missing file and leaves an existing one alone.
        std::FILE* created = OpenFileUtf8(path, "ab");
        if (!created) return nullptr;
        std::fclose(created);
    }
    std::FILE* file = OpenFileUtf8(path, access == Access::Read ? "rb" : "r+b");
    if (!file) return nullptr;
    return std::unique_ptr<DiskFile>(new DiskFile(file));
}

std::unique_ptr<DiskFile> DiskFile::FromDescriptor(int fd) {
#ifdef _WIN32
    std::FILE* file = _fdopen(fd, "w+b");
#else
    std::FILE* file = fdopen(fd, "w+b");
#endif
    if (!file) {
#ifdef _WIN32
        _close(fd);
#else
        close(fd);
#endif
        return nullptr;
    }
    return std::unique_ptr<DiskFile>(new DiskFile(file));
}

DiskFile::DiskFile(std::FILE* file)
    : file_(file), buffer_(new (std::nothrow) char[kDiskBufferSize]) {
    // Without a buffer of our own the C library's small one is used.
    if (buffer_) std::setvbuf(file_, buffer_.get(), _IOFBF, kDiskBufferSize);
}

DiskFile::~DiskFile() {
    std::fclose(file_);
}

bool DiskFile::SwitchTo(bool writing) {
    if (writing_ == writing) return true;
    writing_ = writing;
    return std::fseek(file_, 0, SEEK_CUR) == 0;
}

bool DiskFile::Seek(uint64_t position) {
    return seekFile(file_, position, SEEK_SET) == 0;
}

bool DiskFile::Read(void* data, size_t size, size_t& got) {
    got = 0;
    if (!SwitchTo(false)) return false;
    got = std::fread(data, 1, size, file_);
    if (got < size && std::ferror(file_)) {
        std::clearerr(file_);
        return false;
    }
    std::clearerr(file_);
    return true;
}

bool DiskFile::Write(const void* data, size_t size) {
    if (!SwitchTo(true)) return false;
    if (std::fwrite(data, 1, size, file_) == size) return true;
    std::clearerr(file_);
    return false;
}

std::optional<uint64_t> DiskFile::Size() {
    const std::optional<uint64_t> here = Position();
    if (!here || seekFile(file_, 0, SEEK_END) != 0) return std::nullopt;
    const int64_t end = tellFile(file_);
    if (!Seek(*here) || end < 0) return std::nullopt;
    return static_cast<uint64_t>(end);
}

std::optional<uint64_t> DiskFile::Position() {
    const int64_t here = tellFile(file_);
    if (here < 0) return std::nullopt;
    return static_cast<uint64_t>(here);
}

bool DiskFile::Flush() {
    return std::fflush(file_) == 0;
}

// ---------------------------------------------------------------------------
// MemoryFile

bool MemoryFile::Seek(uint64_t position) {
    if (position > bytes_.max_size()) return false;
    position_ = position;
    return true;
}

bool MemoryFile::Read(void* data, size_t size, size_t& got) {
    got = 0;
    if (position_ < bytes_.size()) {
        got = std::min<uint64_t>(size, bytes_.size() - position_);
        std::memcpy(data, bytes_.data() + position_, got);
        position_ += got;
    }
    return true;
}

bool MemoryFile::Write(const void* data, size_t size) {
    const uint64_t end = position_ + size;
    if (end > bytes_.max_size()) return false;
    try {
        if (end > bytes_.size()) bytes_.resize(static_cast<size_t>(end));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (size > 0) std::memcpy(&bytes_[static_cast<size_t>(position_)], data, size);
    position_ = end;
    return true;
}

// ---------------------------------------------------------------------------
// FileSource

FileSource::FileSource(SeekableFile& file, size_t bufferSize)
    : file_(file), buffer_(new (std::nothrow) uint8_t[bufferSize]), bufferSize_(bufferSize) {}

bool FileSource::Refill() {
    if (Failed()) return false;
    size_t got = 0;
    if (!buffer_ || !file_.Read(buffer_.get(), bufferSize_, got)) {
        SetFailed();
        return false;
    }
    SetWindow(buffer_.get(), got);
    return got > 0;
}

size_t FileSource::ReadLarge(uint8_t* data, size_t size) {
    if (Failed()) return 0;
    size_t got = 0;
    if (!file_.Read(data, size, got)) SetFailed();
    return got;
}
