// What an installation changed, step by step, so that a failed one can be
// undone: the folders, files and registry keys it created, the files it
// replaced (each kept as a backup beside it until the end) and the registry
// values it wrote (with what they held before).
//
// Rollback undoes the steps in reverse order and leaves the computer as it
// was before the installation; Commit, after a successful one, deletes the
// backups. Undoing never deletes what is not the installation's: a created
// folder or key goes only when it is empty again.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win_sdk.h"

class InstallJournal {
public:
    void FolderCreated(const std::string& path);
    void FileCreated(const std::string& path);
    // The file at path was moved to backup (in the same folder) before a new
    // one took its place.
    void FileReplaced(const std::string& path, const std::string& backup);
    // The file at path was moved to backup (in the same folder) to remove it.
    void FileRemoved(const std::string& path, const std::string& backup);
    void KeyCreated(HKEY root, const std::string& path);
    // A value was written in root\keyPath; before, it held type and data
    // (existed) or was not there.
    void ValueWritten(HKEY root, const std::string& keyPath, const std::string& name,
                      bool existed, DWORD type, const std::string& data);
    // A value that held type and data was deleted.
    void ValueDeleted(HKEY root, const std::string& keyPath, const std::string& name, DWORD type,
                      const std::string& data);

    // Undoes every step, last first, and forgets them. Returns false when
    // something could not be put back (a file in use); the rest is undone.
    bool Rollback();
    // Deletes the backups of replaced files (those in use at the next
    // restart) and forgets every step.
    void Commit();

    bool Empty() const { return steps_.empty(); }

    // A line for the log that records no step.
    void Note(const std::string& text) const {
        if (log_) log_(text);
    }

    // Receives one line of text for every step recorded and undone (the
    // installation log).
    void SetLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

private:
    enum class Kind { Folder, File, Replaced, Key, Value };
    struct Step {
        Kind kind = Kind::File;
        std::string path;    // folder, file, key path
        std::string backup;  // Replaced: the old file; Value: the value's name
        HKEY root = nullptr;
        bool existed = false;
        DWORD type = 0;
        std::string data;
    };
    Step& Add(Kind kind, const std::string& path);
    void Logged(const Step& step, const char* what) const;
    static std::string Describe(const Step& step);
    bool Undo(const Step& step) const;

    std::vector<Step> steps_;
    std::function<void(const std::string&)> log_;
};
