#include "installer/install_journal.h"

#include "platform/kernel_handles.h"
#include "platform/win_text.h"

namespace {

bool keyIsEmpty(HKEY key) {
    DWORD subKeys = 0, values = 0;
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys == 0 && values == 0;
}

bool exists(const std::string& path) {
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool deleteFile(const std::string& path) {
    SetFileAttributesW(WidePath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(WidePath(path).c_str()) || !exists(path);
}

const char* rootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    return "HKEY";
}

}  // namespace

std::string InstallJournal::Describe(const Step& step) {
    switch (step.kind) {
        case Kind::Folder: return "folder " + step.path;
        case Kind::File: return "file " + step.path;
        case Kind::Replaced: return "file " + step.path + " (the old one kept as " + step.backup + ")";
        case Kind::Key: return std::string("registry key ") + rootName(step.root) + "\\" + step.path;
        case Kind::Value:
            return std::string("registry value ") + rootName(step.root) + "\\" + step.path +
                   " [" + step.backup + "]";
    }
    return {};
}

InstallJournal::Step& InstallJournal::Add(Kind kind, const std::string& path) {
    steps_.emplace_back();
    steps_.back().kind = kind;
    steps_.back().path = path;
    return steps_.back();
}

void InstallJournal::Logged(const Step& step, const char* what) const {
    if (log_) log_(std::string(what) + " " + Describe(step));
}

void InstallJournal::FolderCreated(const std::string& path) {
    Logged(Add(Kind::Folder, path), "Created");
}

void InstallJournal::FileCreated(const std::string& path) {
    Logged(Add(Kind::File, path), "Wrote");
}

void InstallJournal::FileReplaced(const std::string& path, const std::string& backup) {
    Step& step = Add(Kind::Replaced, path);
    step.backup = backup;
    Logged(step, "Replaced");
}

void InstallJournal::FileRemoved(const std::string& path, const std::string& backup) {
    // Undone and committed as a replacement whose new file is gone.
    Step& step = Add(Kind::Replaced, path);
    step.backup = backup;
    if (log_) log_("Removed file " + path);
}

void InstallJournal::ValueDeleted(HKEY root, const std::string& keyPath, const std::string& name,
                                  DWORD type, const std::string& data) {
    Step& step = Add(Kind::Value, keyPath);
    step.backup = name;
    step.root = root;
    step.existed = true;
    step.type = type;
    step.data = data;
    if (log_) log_("Removed " + Describe(step));
}

void InstallJournal::KeyCreated(HKEY root, const std::string& path) {
    Step& step = Add(Kind::Key, path);
    step.root = root;
    Logged(step, "Created");
}

void InstallJournal::ValueWritten(HKEY root, const std::string& keyPath, const std::string& name,
                                  bool existed, DWORD type, const std::string& data) {
    Step& step = Add(Kind::Value, keyPath);
    step.backup = name;
    step.root = root;
    step.existed = existed;
    step.type = type;
    step.data = data;
    Logged(step, "Set");
}

bool InstallJournal::Undo(const Step& step) const {
    switch (step.kind) {
        case Kind::Folder:
            // Only an empty folder is removed: whatever the user put there stays.
            return RemoveDirectoryW(WidePath(step.path).c_str()) || !exists(step.path) ||
                   GetLastError() == ERROR_DIR_NOT_EMPTY;
        case Kind::File:
            return deleteFile(step.path);
        case Kind::Replaced:
            if (exists(step.path) && !deleteFile(step.path)) return false;
            return MoveFileExW(WidePath(step.backup).c_str(), WidePath(step.path).c_str(), 0) != 0;
        case Kind::Key: {
            HKEY opened = nullptr;
            if (RegOpenKeyExW(step.root, Wide(step.path).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
                return true;  // gone already
            const bool empty = keyIsEmpty(opened);
            RegCloseKey(opened);
            return !empty || RegDeleteKeyW(step.root, Wide(step.path).c_str()) == ERROR_SUCCESS;
        }
        case Kind::Value: {
            HKEY opened = nullptr;
            if (RegOpenKeyExW(step.root, Wide(step.path).c_str(), 0, KEY_SET_VALUE, &opened) !=
                ERROR_SUCCESS)
                return !step.existed;
            const RegKey key(opened);
            if (!step.existed) {
                const LONG status = RegDeleteValueW(key.Get(), Wide(step.backup).c_str());
                return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
            }
            return RegSetValueExW(key.Get(), Wide(step.backup).c_str(), 0, step.type,
                                  reinterpret_cast<const BYTE*>(step.data.data()),
                                  static_cast<DWORD>(step.data.size())) == ERROR_SUCCESS;
        }
    }
    return false;
}

bool InstallJournal::Rollback() {
    bool complete = true;
    for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
        const bool undone = Undo(*step);
        Logged(*step, undone ? "Undid" : "Could not undo");
        if (!undone) complete = false;
    }
    steps_.clear();
    return complete;
}

void InstallJournal::Commit() {
    for (const Step& step : steps_) {
        if (step.kind != Kind::Replaced) continue;
        // An old plug-in still loaded by a running host cannot be deleted
        // now; it goes at the next restart.
        if (!deleteFile(step.backup))
            MoveFileExW(WidePath(step.backup).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    steps_.clear();
}
