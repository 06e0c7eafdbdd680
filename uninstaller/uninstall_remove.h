// Removing what an install record lists.
#pragma once

#include <string>
#include <vector>

#include "platform/win_sdk.h"
#include "uninstaller/uninstall_record.h"

// What a removal left behind.
struct RemovalReport {
    // Recorded files and folders that are still there although they should
    // have gone (in use, access denied), each with the system's reason.
    std::vector<std::string> notRemoved;
    // Files and folders that the record does not list, found inside recorded
    // folders that had to stay because of them (the user's own files).
    std::vector<std::string> leftInPlace;
    // Recorded files left for later on purpose (the running program,
    // RemoveInstallation), which could be deleted once they are let go.
    std::vector<std::string> pending;

    bool Complete() const { return notRemoved.empty() && leftInPlace.empty(); }
    // Everything recorded went or goes with the pending files: the user's
    // own files may keep their folders, which is how it should be.
    bool Removed() const { return notRemoved.empty(); }
};

// Removes, in this order: every recorded file (a read-only one too; files
// already gone are passed over), the recorded folders innermost first, each
// only when empty (nothing through a link, uninstall_links.h: a recorded link
// is removed itself, and what lies behind a link is named in notRemoved), the registry keys the record lists (the uninstall entry,
// only when it holds no sub-keys), and last the installer's values in the
// record's own key (IsInstallerRecordValue): that key may be shared, so it
// goes only when nothing else is left in it, followed by those of its parent
// keys that the key's creation left empty (never a key directly below root,
// such as "Software"). Nothing the record does not name is deleted. Keys are under root (HKEY_LOCAL_MACHINE
// for real records).
//
// runningProgram, when a recorded file, is not deleted but listed in pending
// when it could be (opened for deletion); its folders stay too, without
// being named. The caller deletes it once it no longer runs, with
// RemoveRecordedFiles.
RemovalReport RemoveInstallation(HKEY root, const UninstallRecord& record,
                                 const std::string& runningProgram = std::string());

// The files and folders part of RemoveInstallation, once more: files already
// gone are passed over. What it reports is all that is left on the drive.
RemovalReport RemoveRecordedFiles(const UninstallRecord& record);

// The message that ends an uninstallation: product (or "The product" when
// empty) was removed, then whatever report lists, at most a screenful.
std::string RemovalSummary(const std::string& product, const RemovalReport& report);
