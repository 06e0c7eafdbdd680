#include "tools/tool_files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

#include "foundation/utf8.h"
#include "tools/tool_errors.h"

namespace fs = std::filesystem;

// Through our own conversions, which never throw: a malformed name (from a
// damaged pack) becomes U+FFFD where std::filesystem::u8path would throw.
fs::path pathFromUtf8(const std::string& utf8) {
#ifdef _WIN32
    return fs::path(Utf8ToWide(utf8));
#else
    return fs::path(utf8);
#endif
}

std::string utf8Path(const fs::path& path) {
#ifdef _WIN32
    return WideToUtf8(path.native());
#else
    return path.native();
#endif
}

std::string readWholeFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);  // the wide name on Windows
    if (!file) throw ToolError("cannot read " + utf8Path(path));
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// ---------------------------------------------------------------- NewFile

NewFile::NewFile(const std::string& path) {
#ifdef _WIN32
    fd_ = _wopen(Utf8ToWidePath(path).c_str(),
                 _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
#else
    // O_EXCL also refuses a link of that name, wherever it points.
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    if (fd_ < 0) throw ToolError("cannot create " + path);
}

NewFile::~NewFile() {
    Close();
}

bool NewFile::Write(const uint8_t* data, size_t size) {
    while (size > 0 && !failed_) {
        const unsigned piece = static_cast<unsigned>(std::min<size_t>(size, 1u << 20));
#ifdef _WIN32
        const int written = _write(fd_, data, piece);
#else
        const ssize_t written = write(fd_, data, piece);
        if (written < 0 && errno == EINTR) continue;
#endif
        if (written <= 0) failed_ = true;
        else {
            data += written;
            size -= static_cast<size_t>(written);
        }
    }
    return !failed_;
}

bool NewFile::Close() {
    if (fd_ < 0) return !failed_;
#ifdef _WIN32
    if (_close(fd_) != 0) failed_ = true;
#else
    if (close(fd_) != 0) failed_ = true;
#endif
    fd_ = -1;
    return !failed_;
}

bool syncFile(const std::string& path) {
#ifdef _WIN32
    // _commit is FlushFileBuffers on the handle, which needs write access.
    const int fd = _wopen(Utf8ToWidePath(path).c_str(), _O_RDWR | _O_BINARY);
    if (fd < 0) return false;
    const bool synced = _commit(fd) == 0;
    return _close(fd) == 0 && synced;
#else
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = fsync(fd) == 0;
    return close(fd) == 0 && synced;
#endif
}

fs::path folderBelow(const fs::path& base, const fs::path& relative) {
    fs::path folder = base;
    for (const fs::path& part : relative) {
        folder /= part;
        std::error_code error;
        fs::file_status status = fs::symlink_status(folder, error);
        if (status.type() == fs::file_type::not_found) {
            fs::create_directory(folder, error);
            status = fs::symlink_status(folder, error);
        }
        if (fs::is_symlink(status))
            throw ToolError(utf8Path(folder) + " is a link; nothing is written through it");
        if (!fs::is_directory(status)) throw ToolError("cannot create folder " + utf8Path(folder));
    }
    return folder;
}

// ---------------------------------------------------------------- interrupts

namespace {

// The temporary file to delete when the process is interrupted, in the
// system's own form of names. A fixed buffer: the handler may only touch
// plain data.
#ifdef _WIN32
using PendingChar = wchar_t;
#else
using PendingChar = char;
#endif
PendingChar pendingTemp[4096];
volatile std::sig_atomic_t hasPendingTemp = 0;

extern "C" void removePendingAndExit(int signal) {
#ifdef _WIN32
    if (hasPendingTemp) _wremove(pendingTemp);
#else
    if (hasPendingTemp) std::remove(pendingTemp);
#endif
    std::_Exit(128 + signal);
}

void watchInterrupts(const std::string& temp) {
    static const bool installed = [] {
        std::signal(SIGINT, removePendingAndExit);
        std::signal(SIGTERM, removePendingAndExit);
#ifdef _WIN32
        std::signal(SIGBREAK, removePendingAndExit);
#else
        std::signal(SIGHUP, removePendingAndExit);
#endif
        return true;
    }();
    (void)installed;
    hasPendingTemp = 0;
#ifdef _WIN32
    const std::wstring name = Utf8ToWidePath(temp);
#else
    const std::string& name = temp;
#endif
    if (name.size() < std::size(pendingTemp)) {
        std::memcpy(pendingTemp, name.c_str(), (name.size() + 1) * sizeof(PendingChar));
        hasPendingTemp = 1;
    }
}

std::string unusedTempName(const std::string& target) {
    std::random_device device;
    std::mt19937_64 random(
        (static_cast<uint64_t>(device()) << 32) ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (;;) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        std::string candidate = target + suffix;
        std::error_code ignored;
        if (!fs::exists(pathFromUtf8(candidate), ignored)) return candidate;
    }
}

}  // namespace

// ---------------------------------------------------------------- ReplacingFile

ReplacingFile::ReplacingFile(const std::string& target)
    : target_(target), temp_(unusedTempName(target)) {
    watchInterrupts(temp_);
}

ReplacingFile::~ReplacingFile() {
    hasPendingTemp = 0;
    if (!committed_) {
        std::error_code ignored;
        fs::remove(pathFromUtf8(temp_), ignored);
    }
}

void ReplacingFile::Commit() {
    if (!syncFile(temp_)) throw ToolError("cannot write " + target_);
    std::error_code error;
    fs::rename(pathFromUtf8(temp_), pathFromUtf8(target_), error);
    if (error) throw ToolError("cannot replace " + target_ + ": " + error.message());
    committed_ = true;
    hasPendingTemp = 0;
}
