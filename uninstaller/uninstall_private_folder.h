// A folder of the uninstall program's own in the temporary folder, for the
// copy that takes over the removal (uninstall_handover.h).
#pragma once

#include <string>

#include "platform/kernel_handles.h"
#include "platform/win_sdk.h"

struct PrivateFolder {
    std::string path;  // without a trailing backslash
    // Opened in the same call that created the folder, for listing and
    // deletion, sharing reading and writing but not deletion: while it is
    // open nobody can rename the folder away and put another in its place.
    // Inheritable, so that the copy keeps the folder pinned and finally
    // deletes it through this handle (DeletePrivateFolder).
    UniqueHandle handle;

    explicit operator bool() const { return static_cast<bool>(handle); }
};

// path (absolute, of any length) as the native API names it:
// "\\??\C:\..." or, for a network path, "\\??\UNC\server\share\...".
std::wstring NtPath(const std::string& path);

// Creates a new folder "<parent>\<prefix><unique part>" that only SYSTEM,
// the Administrators and (when this process is not elevated) the current
// user may enter, read or change. An elevated process leaves out the user's
// own account: the user's unelevated programs run under that account too,
// and must not reach what the elevated uninstaller starts. Empty when no
// folder could be made.
PrivateFolder CreatePrivateFolder(const std::string& parent, const std::string& prefix);

// The folder's security, as text (SDDL): an access list protected from the
// parent's entries, granting full access, inherited by everything created
// inside, to SYSTEM (SY), the Administrators (BA) and, when the process is
// not elevated, to the account userSid ("S-1-5-21-..."). An elevated process
// also makes the Administrators the owner, since an owner may always change
// the access list.
//
// Wine neither keeps nor enforces access lists on files: the tests under
// Wine cannot show that another account is kept out.
std::string PrivateFolderSecurity(bool elevated, const std::string& userSid);

// Marks the folder behind handle (from CreatePrivateFolder) for deletion and
// closes the handle: the folder goes now when it is empty. False when the
// system refused.
bool DeletePrivateFolder(HANDLE handle);
