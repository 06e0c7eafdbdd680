#include "uninstaller/uninstall_links.h"

#include "platform/kernel_handles.h"
#include "platform/win_error.h"
#include "platform/win_text.h"

bool IsLink(const PathEntry& entry) {
    if (entry.attributes == INVALID_FILE_ATTRIBUTES ||
        !(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    return entry.reparseTag == 0 || IsReparseTagNameSurrogate(entry.reparseTag);
}

std::string FirstLinkOnPath(const std::string& path, const PathEntryLookup& lookup) {
    // Where the first component below the drive ("X:\") or the share
    // ("\\server\share\") begins.
    size_t start = 3;
    if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
        const size_t server = path.find('\\', 2);
        const size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
        if (share == std::string::npos) return {};
        start = share + 1;
    }
    for (size_t end = path.find('\\', start);; end = path.find('\\', end + 1)) {
        const std::string prefix = path.substr(0, end);
        const PathEntry entry = lookup(prefix);
        if (entry.attributes == INVALID_FILE_ATTRIBUTES) return {};
        if (IsLink(entry)) return prefix;
        if (end == std::string::npos) return {};
    }
}

PathEntry LookUpPathEntry(const std::string& path) {
    PathEntry entry;
    // Wine marks a Unix link as a reparse point but leaves dwReserved0
    // unwritten: cleared, its tag reads 0 (unknown, so a link) rather than
    // whatever the stack held.
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW(WidePath(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entry;
    FindClose(search);
    entry.attributes = found.dwFileAttributes;
    if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) entry.reparseTag = found.dwReserved0;
    return entry;
}

bool RemoveLinkItself(const std::string& path, std::string& whyNot) {
    const UniqueHandle link(CreateFileW(
        WidePath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILE_ATTRIBUTE_TAG_INFO info = {};
    if (!link ||
        !GetFileInformationByHandleEx(link.Get(), FileAttributeTagInfo, &info, sizeof info)) {
        whyNot = "a link: " + SystemErrorText(GetLastError(), "error");
        return false;
    }
    if (!(info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        whyNot = "a link, which the system would not remove apart from what it leads to";
        return false;
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (!SetFileInformationByHandle(link.Get(), FileDispositionInfo, &disposition,
                                    sizeof disposition)) {
        whyNot = "a link: " + SystemErrorText(GetLastError(), "error");
        return false;
    }
    return true;
}
