#include "pack/pack_resize.h"

// The path is UTF-8, as everywhere in the pack: on Windows it is opened with
// the C run-time's wide call.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <sys/types.h>
#include <unistd.h>
#endif

#include "foundation/utf8.h"

bool resizePackFile(const std::string& path, uint64_t length) {
#ifdef _WIN32
    const int handle = _wopen(Utf8ToWidePath(path).c_str(), _O_RDWR | _O_BINARY);
    if (handle < 0) return false;
    const bool resized = _chsize_s(handle, static_cast<long long>(length)) == 0;
    return _close(handle) == 0 && resized;
#else
    return truncate(path.c_str(), static_cast<off_t>(length)) == 0;
#endif
}
