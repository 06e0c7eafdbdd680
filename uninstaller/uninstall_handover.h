// Handing the removal over to a temporary copy of the program.
//
// The installed uninstall program lies in the folder it removes, and a
// running program's file cannot be deleted. So after the user has confirmed,
// the program copies itself into a private folder (uninstall_private_folder.h)
// in the temporary folder and starts the copy as a continuation
// (uninstall_command.h), which waits for the first process to end and then
// removes everything, the installed program included.
//
// The copy runs with the uninstaller's rights (elevated on Windows), so
// nobody may swap it between writing and starting: from its creation on, a
// handle that does not share deletion keeps its name (no rename, no delete);
// once written, a handle that does not share writing keeps its contents,
// which are then compared with this program before the start. That first
// handle is opened for deletion on close and inherited by the copy: the
// system deletes the copy when its process ends (a running program's file
// cannot be deleted earlier).
#pragma once

#include <cstdint>
#include <string>

// Makes the temporary copy and starts it on recordKey. Returns true when the
// copy runs (the caller should then end at once, without touching anything);
// false when no copy could be made or started (nothing is left behind then).
bool HandOverToTemporaryCopy(const std::string& modulePath, const std::string& recordKey);

// In the continuation: waits (up to a minute) for the first process, whose
// handle the command line carries, and closes that handle.
void WaitForFirstProcess(uintptr_t handle);

// In the continuation, once the first process has ended: moves the running
// copy (copyFile, inherited) out of its private folder into the folder above,
// where it is deleted when this process ends, and deletes the private folder
// (copyFolder, inherited). A folder that cannot go now is left for the next
// start of the system. Handles of 0 are passed over.
void ReleasePrivateFolder(const std::string& modulePath, uintptr_t copyFile,
                          uintptr_t copyFolder);
