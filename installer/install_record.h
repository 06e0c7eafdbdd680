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
//   "<m>.check"         the installed file's check value (pack_check.h), eight
//                       hexadecimal digits: an upgrade removes a file the new
//                       version drops only while it is unchanged
//   "Main executable"   installed path of the main program (only when
//                       "Run with '/uninstall'" is on)
//   "0.regkey"          the uninstall entry's key, relative to HKLM
//   "1.regkey"          the record's own key ("Registry key"), written last
// Uninstall entry, key HKLM\<kUninstallKeyPrefix><"Product ID"> ("Product
// ID" is "Product name" unless the configuration gives one):
// "DisplayName" = "Product name", "DisplayVersion" = "Version", "Publisher",
// "URLInfoAbout" = "Help link" (each only when given), "DisplayIcon" (the
// main executable when it is a program, else the uninstall program),
// "InstallLocation" (the installation path), "EstimatedSize" (the installed
// files' KB), "NoModify" = "NoRepair" = 1, "QuietUninstallString" (as
// "UninstallString" with "/S" before the record's key), and
// "UninstallString" = installed path of the uninstall program in quotes (its
// short form when the path is MAX_PATH characters or longer, since programs
// are started by names within MAX_PATH), a space, and "Registry key".
//
// An installation over an earlier one of the same product (an upgrade, or
// the same version again) replaces the earlier record's values: its numbered
// values go, and the folders it created that still exist are carried over.
// The uninstall program starts from "UninstallString" with its own path in
// quotes (a path with spaces must not start another program on its way).
// Recorded paths use single backslashes only (the shortcut folder is built
// without the empty group-folder level); the uninstall program also accepts
// doubled backslashes.
#pragma once

#include <string>
#include <vector>

#include "installer/install_journal.h"
#include "platform/win_sdk.h"
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
constexpr const char* kRecordCheckSuffix = ".check";
constexpr const char* kUninstallDisplayNameValue = "DisplayName";
constexpr const char* kUninstallStringValue = "UninstallString";
constexpr const char* kQuietUninstallStringValue = "QuietUninstallString";
constexpr const char* kUninstallVersionValue = "DisplayVersion";
constexpr const char* kUninstallPublisherValue = "Publisher";
constexpr const char* kUninstallIconValue = "DisplayIcon";
constexpr const char* kUninstallLocationValue = "InstallLocation";
constexpr const char* kUninstallSizeValue = "EstimatedSize";  // REG_DWORD, KB
constexpr const char* kUninstallNoModifyValue = "NoModify";   // REG_DWORD 1
constexpr const char* kUninstallNoRepairValue = "NoRepair";   // REG_DWORD 1
constexpr const char* kUninstallHelpLinkValue = "URLInfoAbout";

// Creates (when missing) and opens root\path: non-volatile, KEY_ALL_ACCESS,
// class "binary data", default security. Returns an empty RegKey when the
// key cannot be created or opened.
RegKey OpenRecordKey(HKEY root, const std::string& path);

// Writes text (UTF-8) as the REG_SZ value name of key: UTF-16, with its
// terminating NUL.
// Returns false when it cannot (and always for a null key).
bool WriteRecordValue(HKEY key, const std::string& name, const std::string& text);

// The uninstall entry's "UninstallString": the program's path quoted, a
// space, the record's key; silent, "QuietUninstallString": /S between them.
std::string UninstallCommandLine(const std::string& programPath, const std::string& recordKey,
                                 bool silent = false);

// "<number><suffix>", the number in decimal without leading zeros:
// NumberedValueName(3, kRecordFileSuffix) is "3.file".
std::string NumberedValueName(int number, const char* suffix);

// The number of a value named "<digits><suffix>" (as NumberedValueName makes
// them; leading zeros are read too): 0 to 999999999, or -1 for any other name
// (no digits, another character before the suffix, more than nine digits, a
// different suffix). Every reader of a record parses value names with this.
long NumberedValueNumber(const std::string& name, const char* suffix);

// The uninstall entry's key for a product, relative to HKEY_LOCAL_MACHINE.
std::string UninstallKeyPath(const std::string& productName);

// One installation's install record (or any key it writes, such as the
// uninstall entry): where it lives and the next numbers of its "<k>.folder"
// and "<m>.file" values. Each run counts both from 0. With a journal, every
// key it creates and every value it writes is recorded there, so that a
// failed installation can undo them.
class InstallRecord {
public:
    explicit InstallRecord(std::string keyPath, HKEY root = HKEY_LOCAL_MACHINE,
                           InstallJournal* journal = nullptr)
        : root_(root), keyPath_(std::move(keyPath)), journal_(journal) {}

    // Opens (creating when missing) the record's key; empty on failure.
    RegKey Open() const { return OpenRecordKey(root_, keyPath_); }

    // Writes text as the REG_SZ value name in the record's key, creating the
    // key (and its missing parents) on first use. False when it cannot; the
    // first failure's system error code stays in Error().
    bool Write(const std::string& name, const std::string& text);
    // The same for a REG_DWORD value.
    bool WriteNumber(const std::string& name, DWORD number);
    // Deletes the value name when the key holds it (nothing to do otherwise).
    bool Delete(const std::string& name);
    // The names of the values the key holds now (none when it is missing).
    std::vector<std::string> ValueNames() const;
    DWORD Error() const { return error_; }
    InstallJournal* Journal() const { return journal_; }

    // The value name for the next created folder or recorded file, counting
    // on by one with each call.
    std::string NextFolderName() { return NumberedValueName(folders_++, kRecordFolderSuffix); }
    std::string NextFileName() { return NumberedValueName(files_++, kRecordFileSuffix); }

    HKEY Root() const { return root_; }
    const std::string& KeyPath() const { return keyPath_; }
    int FolderCount() const { return folders_; }
    int FileCount() const { return files_; }

private:
    bool OpenForWriting();
    bool WriteValue(const std::string& name, DWORD type, const BYTE* data, DWORD size);

    HKEY root_;
    std::string keyPath_;
    InstallJournal* journal_;
    RegKey key_;  // open from the first Write on
    DWORD error_ = 0;
    int folders_ = 0;
    int files_ = 0;
};
