// Reading an install record (installer/install_record.h) for removal, and
// refusing one that does not look like what the installer writes.
#pragma once

#include <string>
#include <vector>

#include "platform/win_sdk.h"

// What the record lists, every path in normal form (NormalRecordedPath).
struct UninstallRecord {
    std::string keyPath;                    // the record's key, relative to the root
    std::string product;                    // "Product"; may be empty
    std::string installationPath;           // "Path"
    std::vector<std::string> files;         // "<m>.file" in the order of m
    std::vector<std::string> folders;       // "<k>.folder" in the order of k
    std::vector<std::string> registryKeys;  // "<n>.regkey" in the order of n
};

enum class RecordStatus {
    Ok,
    Missing,  // no key of that name (or no name at all)
    Damaged,  // the key holds something the installer never writes
};

struct RecordRead {
    RecordStatus status = RecordStatus::Missing;
    std::string problem;  // for Damaged: what is wrong, one clause without a period
    UninstallRecord record;
};

// Reads root\keyPath. Damaged, with nothing to remove, when: "Path" is
// missing or not an absolute path; a "<n>.file", "<n>.folder", "<n>.regkey",
// "Path" or "Product" value is not REG_SZ; a file or folder value is not an
// absolute path on a drive ("X:\...") or a share ("\\server\share\..."),
// has a "." or ".." component, or a folder is a whole drive or share; a
// "<n>.regkey" names another key than the uninstall entry of a product
// (kUninstallKeyPrefix followed by a name) or the record's own key. Other
// values are not the installer's and are ignored.
RecordRead ReadUninstallRecord(HKEY root, const std::string& keyPath);

// True for the names of the values the installer writes into a record:
// "Path", "Product", "Main executable", "<n>.file", "<n>.folder" and
// "<n>.regkey" (n in decimal digits). Anything else in the record's key is
// somebody else's.
bool IsInstallerRecordValue(const std::string& name);

// A recorded path in the form the removal uses: slashes become backslashes,
// doubled backslashes single ones (a share's leading pair stays), and a
// trailing backslash goes. Records may hold doubled backslashes (a "Create
// name" written with one, or the shortcut paths of installers that kept the
// empty group-folder level).
std::string NormalRecordedPath(const std::string& path);

// True for "X:\a..." and "\\server\share\a..." (at least one component
// below the drive or share) without "." or ".." components. path in normal form.
bool IsRemovablePath(const std::string& path);
