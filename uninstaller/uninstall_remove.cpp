#include "uninstaller/uninstall_remove.h"

#include <algorithm>
#include <set>

#include "installer/windows_names.h"
#include "platform/kernel_handles.h"
#include "platform/win_error.h"
#include "platform/win_text.h"
#include "uninstaller/uninstall_links.h"

namespace {

// Lines of the final message beyond which the lists are cut short.
constexpr size_t kMaxListedItems = 25;

size_t depth(const std::string& path) {
    return std::count(path.begin(), path.end(), '\\');
}

DWORD attributesOf(const std::string& path) {
    return GetFileAttributesW(WidePath(path).c_str());
}

// Whether path may be deleted the ordinary way. It may not when a link lies
// on its way: then a link at path itself is removed alone, and what lies
// behind a link further up is named and left (nothing is deleted through a
// link).
bool mayDelete(const std::string& path, RemovalReport& report) {
    const std::string link = FirstLinkOnPath(path, LookUpPathEntry);
    if (link.empty()) return true;
    std::string whyNot;
    if (link == path) {
        if (!RemoveLinkItself(path, whyNot)) report.notRemoved.push_back(path + " (" + whyNot + ")");
    } else if (attributesOf(path) != INVALID_FILE_ATTRIBUTES) {
        report.notRemoved.push_back(path + " (reached through the link " + link +
                                    ", which is not followed)");
    }
    return false;
}

// The long form of path in lower case, for comparing two names of a file.
std::string comparable(const std::string& path) {
    const std::string longName = LongPathName(path);
    return LowerCaseName(longName.empty() ? path : longName);
}

// The running program's file: it goes once the program has ended, which
// needs deletion rights on it.
void spareRunningFile(const std::string& path, RemovalReport& report) {
    const UniqueHandle file(CreateFileW(WidePath(path).c_str(), DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
    if (file)
        report.pending.push_back(path);
    else
        report.notRemoved.push_back(path + " (" + SystemErrorText(GetLastError(), "error") + ")");
}

void removeFile(const std::string& path, RemovalReport& report,
                const std::string& spared = std::string()) {
    if (!mayDelete(path, report)) return;
    if (!spared.empty() && attributesOf(path) != INVALID_FILE_ATTRIBUTES &&
        comparable(path) == spared) {
        spareRunningFile(path, report);
        return;
    }
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        report.notRemoved.push_back(path + " (a folder now, not the file that was installed)");
        return;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(WidePath(path).c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!DeleteFileW(WidePath(path).c_str()) && attributesOf(path) != INVALID_FILE_ATTRIBUTES)
        report.notRemoved.push_back(path + " (" + SystemErrorText(GetLastError(), "error") + ")");
}

// The entries of a folder, as full paths.
std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> entries;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(WidePath(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::string name = Utf8(found.cFileName);
        if (name != "." && name != "..") entries.push_back(folder + "\\" + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(entries.begin(), entries.end());
    return entries;
}

void removeFolders(const std::vector<std::string>& recorded,
                   const std::vector<std::string>& recordedFiles, RemovalReport& report) {
    // Innermost first: a folder lies deeper than every folder that contains
    // it. Equal depths keep the reverse of the recorded order.
    std::vector<std::string> folders(recorded.rbegin(), recorded.rend());
    std::stable_sort(
        folders.begin(), folders.end(),
        [](const std::string& a, const std::string& b) { return depth(a) > depth(b); });
    std::set<std::string> kept;  // lower case
    std::vector<std::string> keptInOrder;
    for (const std::string& folder : folders) {
        if (!mayDelete(folder, report)) continue;
        const DWORD attributes = attributesOf(folder);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if (RemoveDirectoryW(WidePath(folder).c_str())) continue;
        const DWORD error = GetLastError();
        if (error != ERROR_DIR_NOT_EMPTY) {
            report.notRemoved.push_back(folder + " (" + SystemErrorText(error, "error") + ")");
            continue;
        }
        kept.insert(LowerCaseName(folder));
        keptInOrder.push_back(folder);
    }
    // Name what kept each folder, except recorded folders kept for their own
    // contents and recorded files that could not be removed, which are named
    // already; outermost folders first.
    std::set<std::string> named;
    for (const std::string& file : recordedFiles)
        named.insert(LowerCaseName(file));
    for (auto folder = keptInOrder.rbegin(); folder != keptInOrder.rend(); ++folder)
        for (const std::string& entry : folderEntries(*folder))
            if (!kept.count(LowerCaseName(entry)) && named.insert(LowerCaseName(entry)).second)
                report.leftInPlace.push_back(entry);
}

bool keyIsEmpty(HKEY root, const std::string& path) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    const RegKey key(opened);
    DWORD subKeys = 0, values = 0;
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return subKeys == 0 && values == 0;
}

// Deletes the installer's values (IsInstallerRecordValue) from root\path;
// values of other names stay.
void deleteRecordValues(HKEY root, const std::string& path) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened) !=
        ERROR_SUCCESS)
        return;
    const RegKey key(opened);
    DWORD count = 0, longestName = 0;
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<std::string> names;
    std::wstring name(longestName + 1, L'\0');
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key.Get(), index, name.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS)
            names.push_back(Utf8(std::wstring_view(name.data(), length)));
    }
    for (const std::string& value : names)
        if (IsInstallerRecordValue(value)) RegDeleteValueW(key.Get(), Wide(value).c_str());
}

}  // namespace

RemovalReport RemoveRecordedFiles(const UninstallRecord& record) {
    RemovalReport report;
    for (const std::string& file : record.files)
        removeFile(file, report);
    removeFolders(record.folders, record.files, report);
    return report;
}

RemovalReport RemoveInstallation(HKEY root, const UninstallRecord& record,
                                 const std::string& runningProgram) {
    RemovalReport report;
    const std::string spared =
        runningProgram.empty() ? std::string() : comparable(NormalRecordedPath(runningProgram));
    for (const std::string& file : record.files)
        removeFile(file, report, spared);
    removeFolders(record.folders, record.files, report);

    const std::string ownKey = LowerCaseName(record.keyPath);
    for (const std::string& key : record.registryKeys)
        if (LowerCaseName(key) != ownKey) RegDeleteKeyW(root, Wide(key).c_str());
    // The record's key may be shared (a vendor's key, or one of the
    // system's): only the installer's values go, and the key only when
    // nothing else is left in it.
    deleteRecordValues(root, record.keyPath);
    if (keyIsEmpty(root, record.keyPath) &&
        RegDeleteKeyW(root, Wide(record.keyPath).c_str()) == ERROR_SUCCESS) {
        // RegCreateKeyExW made the record's missing parent keys on the way;
        // those left empty go with it.
        std::string parent = record.keyPath;
        for (;;) {
            const size_t cut = parent.rfind('\\');
            if (cut == std::string::npos) break;
            parent.resize(cut);
            if (parent.find('\\') == std::string::npos) break;
            if (!keyIsEmpty(root, parent) || RegDeleteKeyW(root, Wide(parent).c_str()) != ERROR_SUCCESS)
                break;
        }
    }
    return report;
}

std::string RemovalSummary(const std::string& product, const RemovalReport& report) {
    const std::string name = product.empty() ? "The product" : product;
    if (report.Complete()) return name + " was removed.";
    std::string text = name + " was removed, except for what is listed here.";
    size_t listed = 0;
    auto list = [&](const char* heading, const std::vector<std::string>& items) {
        if (items.empty()) return;
        text += std::string("\n\n") + heading;
        for (const std::string& item : items) {
            if (listed == kMaxListedItems) {
                text += "\n...";
                break;
            }
            text += "\n" + item;
            ++listed;
        }
    };
    list("Could not be removed:", report.notRemoved);
    list("Not installed with the product, so left in place:", report.leftInPlace);
    return text;
}
