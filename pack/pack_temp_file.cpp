#include "pack/pack_temp_file.h"

#include <fcntl.h>

#include <chrono>
#include <cstdlib>
#include <random>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
using Char = wchar_t;
#define NATIVE(text) L##text
#else
using Char = char;
#define NATIVE(text) text
#endif

// The folder the system keeps temporary files in, found as the system finds
// it: the first of the variables that is set, with a separator at its end.
PackTempFile::NativePath temporaryFolder() {
#ifdef _WIN32
    const wchar_t* const variables[] = {L"TMP", L"TEMP", L"USERPROFILE"};
    PackTempFile::NativePath folder = L".";
    for (const wchar_t* name : variables) {
        const wchar_t* value = _wgetenv(name);
        if (value && *value) {
            folder = value;
            break;
        }
    }
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
#else
    const char* value = std::getenv("TMPDIR");
    PackTempFile::NativePath folder = value && *value ? value : "/tmp";
    if (folder.back() != '/') folder += '/';
#endif
    return folder;
}

// The digits of value, in the system's characters.
PackTempFile::NativePath digitsOf(uint64_t value) {
    Char digits[21];
    Char* first = digits + 20;
    *first = 0;
    do {
        *--first = static_cast<Char>(NATIVE('0') + value % 10);
        value /= 10;
    } while (value != 0);
    return first;
}

// A new file, created exclusively for its owner's reading and writing; -1
// when path exists or cannot be created.
int createPrivate(const PackTempFile::NativePath& path) {
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

}  // namespace

PackTempFile::PackTempFile() {
    const NativePath folder = temporaryFolder();
    std::random_device device;
    std::mt19937_64 generator(
        (static_cast<uint64_t>(device()) << 32) ^ device() ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 16; ++attempt) {
        NativePath candidate =
            folder + NATIVE("nerro-compact-") + digitsOf(generator()) + NATIVE(".tmp");
        const int fd = createPrivate(candidate);
        if (fd < 0) continue;
        // The file owns the descriptor from here and closes it.
        file_ = DiskFile::FromDescriptor(fd);
        if (file_) path_ = std::move(candidate);
        return;
    }
}

PackTempFile::~PackTempFile() = default;
