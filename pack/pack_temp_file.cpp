#include "pack/pack_temp_file.h"

#include <ext/stdio_filebuf.h>
#include <fcntl.h>

#include <chrono>
#include <random>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr size_t kBufferSize = 40000;

// A new file, created exclusively for its owner's reading and writing; -1
// when path exists or cannot be created.
int createPrivate(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wopen(path.c_str(),
                  _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_TEMPORARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
#else
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) unlink(path.c_str());
    return fd;
#endif
}

void closeDescriptor(int fd) {
#ifdef _WIN32
    _close(fd);
#else
    close(fd);
#endif
}

}  // namespace

PackTempFile::PackTempFile() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) return;
    std::random_device device;
    std::mt19937_64 generator(
        (static_cast<uint64_t>(device()) << 32) ^ device() ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::filesystem::path candidate =
            folder / ("nerro-compact-" + std::to_string(generator()) + ".tmp");
        const int fd = createPrivate(candidate);
        if (fd < 0) continue;
        // The buffer owns the descriptor from here and closes it.
        auto buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(
            fd, std::ios::in | std::ios::out | std::ios::binary, kBufferSize);
        if (!buffer->is_open()) {
            closeDescriptor(fd);
            return;
        }
        buffer_ = std::move(buffer);
        stream_.rdbuf(buffer_.get());
        path_ = std::move(candidate);
        return;
    }
}

PackTempFile::~PackTempFile() {
    stream_.rdbuf(nullptr);
    buffer_.reset();
}
