#include "installer/folder_path.h"

#include "platform/win_sdk.h"
#include "platform/win_text.h"

namespace {

// The length of path's root, which is never created: "C:\" (or "C:"), or
// "\\server\share\" of a network path; 0 for a path without one.
size_t rootLength(const std::string& path) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 2 && path[1] == ':')
        return path.size() >= 3 && separator(path[2]) ? 3 : 2;
    if (path.size() >= 2 && separator(path[0]) && separator(path[1])) {
        // Past the server's name and the share's.
        size_t cut = 2;
        for (int part = 0; part < 2 && cut < path.size(); ++part) {
            while (cut < path.size() && !separator(path[cut])) ++cut;
            if (cut < path.size()) ++cut;
        }
        return cut;
    }
    return 0;
}

}  // namespace

int CreateFolderPath(const std::string& path, InstallRecord& record) {
    int created = 0;
    // Slashes are written back as backslashes, so every recorded prefix has
    // the system's own form.
    std::string working = path;
    const size_t root = rootLength(working);
    for (size_t cut = 0; cut < root; ++cut)
        if (working[cut] == '/') working[cut] = '\\';
    for (size_t cut = root; cut < working.size(); ++cut) {
        if (working[cut] != '\\' && working[cut] != '/') continue;
        const std::string folder = working.substr(0, cut);
        working[cut] = '\\';
        // An empty prefix (a leading separator) or one ending in a separator
        // (a doubled one) names no new folder.
        if (folder.empty() || folder.back() == '\\') continue;
        if (!CreateDirectoryW(WidePath(folder).c_str(), nullptr)) continue;
        if (InstallJournal* journal = record.Journal()) journal->FolderCreated(folder);
        record.Write(record.NextFolderName(), folder);
        ++created;
    }
    return created;
}
