#include "pack/pack_resize.h"

// std::filesystem::resize_file would be portable, but on Windows it converts
// a narrow path as if it were not in the ANSI code page; the C run-time's own
// calls take the path as the rest of the pack does.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <sys/types.h>
#include <unistd.h>
#endif

bool resizePackFile(const std::string& path, uint64_t length) {
#ifdef _WIN32
    const int handle = _open(path.c_str(), _O_RDWR | _O_BINARY);
    if (handle < 0) return false;
    const bool resized = _chsize_s(handle, static_cast<long long>(length)) == 0;
    return _close(handle) == 0 && resized;
#else
    return truncate(path.c_str(), static_cast<off_t>(length)) == 0;
#endif
}
