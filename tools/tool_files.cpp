#include "tools/tool_files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
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

#include "tools/tool_errors.h"

namespace fs = std::filesystem;

void useNativeEncoding() {
    // The C library's narrow conversions follow LC_CTYPE, which starts as "C".
    std::setlocale(LC_CTYPE, "");
}

std::string nativeString(const fs::path& path) {
#ifdef _WIN32
    const std::wstring& wide = path.native();
    const wchar_t* source = wide.c_str();
    std::mbstate_t state{};
    const size_t length = std::wcsrtombs(nullptr, &source, 0, &state);
    if (length == static_cast<size_t>(-1)) return path.string();  // not representable
    std::string narrow(length, '\0');
    source = wide.c_str();
    state = std::mbstate_t{};
    std::wcsrtombs(&narrow[0], &source, length, &state);
    return narrow;
#else
    return path.string();
#endif
}

std::string readWholeFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw ToolError("cannot read " + nativeString(path));
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// ---------------------------------------------------------------- NewFile

NewFile::NewFile(const std::string& path) {
#ifdef _WIN32
    fd_ = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                _S_IREAD | _S_IWRITE);
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
    const int fd = _open(path.c_str(), _O_RDWR | _O_BINARY);
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
            throw ToolError(nativeString(folder) + " is a link; nothing is written through it");
        if (!fs::is_directory(status)) throw ToolError("cannot create folder " + nativeString(folder));
    }
    return folder;
}

// ---------------------------------------------------------------- interrupts

namespace {

// The temporary file to delete when the process is interrupted. A fixed
// buffer: the handler may only touch plain data.
char pendingTemp[4096];
volatile std::sig_atomic_t hasPendingTemp = 0;

extern "C" void removePendingAndExit(int signal) {
    if (hasPendingTemp) std::remove(pendingTemp);
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
    if (temp.size() < sizeof pendingTemp) {
        std::memcpy(pendingTemp, temp.c_str(), temp.size() + 1);
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
        if (!fs::exists(candidate, ignored)) return candidate;
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
        fs::remove(temp_, ignored);
    }
}

void ReplacingFile::Commit() {
    if (!syncFile(temp_)) throw ToolError("cannot write " + target_);
    std::error_code error;
    fs::rename(temp_, target_, error);
    if (error) throw ToolError("cannot replace " + target_ + ": " + error.message());
    committed_ = true;
    hasPendingTemp = 0;
}
