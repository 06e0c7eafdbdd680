#include "installer/folder_path.h"

#include <windows.h>

int CreateFolderPath(const std::string& path, InstallRecord& record) {
    int created = 0;
    // Slashes are written back as backslashes, so every recorded prefix has
    // the system's own form.
    std::string working = path;
    for (size_t cut = 0; cut < working.size(); ++cut) {
        if (working[cut] != '\\' && working[cut] != '/') continue;
        const std::string folder = working.substr(0, cut);
        working[cut] = '\\';
        // An empty prefix (a leading separator) or one ending in a separator
        // (a doubled one) names no new folder.
        if (folder.empty() || folder.back() == '\\') continue;
        if (!CreateDirectoryA(folder.c_str(), nullptr)) continue;
        if (InstallJournal* journal = record.Journal()) journal->FolderCreated(folder);
        record.Write(record.NextFolderName(), folder);
        ++created;
    }
    return created;
}
