// The install record and the uninstall entry: what an installation leaves in
// the registry, and the two calls that write it.
//
// Install record, key HKEY_LOCAL_MACHINE\<"Registry key">, all values REG_SZ:
//   "<k>.folder"        a folder the installation created (no trailing
//                       backslash), k = 0, 1, ... outermost first
//   "Path"              the installation path, ending with a backslash
//   "Product"           "Product name"
//   "<m>.file"          an installed file whose "Can uninstall" is on, or a
//                       created shortcut (".lnk"), m = 0, 1, ... in order
//   "Main executable"   installed path of the main program (only when
//                       "Run with '/uninstall'" is on)
//   "0.regkey"          the uninstall entry's key, relative to HKLM
//   "1.regkey"          the record's own key ("Registry key"), written last
// Uninstall entry, key HKLM\<kUninstallKeyPrefix><"Product name">:
// "DisplayName" = "Product name" and
// "UninstallString" = installed path of the uninstall program, a space, and
// "Registry key", neither part quoted.
//
// Values of an earlier installation under the same key are not cleared: new
// values overwrite those of the same name, higher-numbered old ones stay.
// Recorded paths use single backslashes only (the shortcut folder is built
// without the empty group-folder level); the uninstall program also accepts
// doubled backslashes.
#pragma once

#include <windows.h>

#include <string>

#include "platform/kernel_handles.h"

// Class string given to every key the installer creates.
constexpr const char* kRecordKeyClass = "binary data";
// The system's list of installed programs, relative to HKEY_LOCAL_MACHINE.
constexpr const char* kUninstallKeyPrefix =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Value names.
constexpr const char* kRecordPathValue = "Path";
constexpr const char* kRecordProductValue = "Product";
constexpr const char* kRecordMainExecutableValue = "Main executable";
constexpr const char* kRecordFolderSuffix = ".folder";
constexpr const char* kRecordFileSuffix = ".file";
constexpr const char* kRecordRegKeySuffix = ".regkey";
constexpr const char* kUninstallDisplayNameValue = "DisplayName";
constexpr const char* kUninstallStringValue = "UninstallString";

// Creates (when missing) and opens root\path: non-volatile, KEY_ALL_ACCESS,
// class "binary data", default security. Returns an empty RegKey when the
// key cannot be created or opened.
RegKey OpenRecordKey(HKEY root, const std::string& path);

// Writes text as the REG_SZ value name of key, with its terminating NUL.
// Returns false when it cannot (and always for a null key).
bool WriteRecordValue(HKEY key, const std::string& name, const std::string& text);

// "<number><suffix>", the number in decimal without leading zeros:
// NumberedValueName(3, kRecordFileSuffix) is "3.file".
std::string NumberedValueName(int number, const char* suffix);

// The uninstall entry's key for a product, relative to HKEY_LOCAL_MACHINE.
std::string UninstallKeyPath(const std::string& productName);

// One installation's install record: where it lives and the next numbers of
// its "<k>.folder" and "<m>.file" values. Each run counts both from 0.
class InstallRecord {
public:
    explicit InstallRecord(std::string keyPath, HKEY root = HKEY_LOCAL_MACHINE)
        : root_(root), keyPath_(std::move(keyPath)) {}

    // Opens (creating when missing) the record's key; empty on failure.
    RegKey Open() const { return OpenRecordKey(root_, keyPath_); }

    // The value name for the next created folder or recorded file, counting
    // on by one with each call.
    std::string NextFolderName() { return NumberedValueName(folders_++, kRecordFolderSuffix); }
    std::string NextFileName() { return NumberedValueName(files_++, kRecordFileSuffix); }

    HKEY Root() const { return root_; }
    const std::string& KeyPath() const { return keyPath_; }
    int FolderCount() const { return folders_; }
    int FileCount() const { return files_; }

private:
    HKEY root_;
    std::string keyPath_;
    int folders_ = 0;
    int files_ = 0;
};
