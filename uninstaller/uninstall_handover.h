// Handing the removal over to a temporary copy of the program.
//
// The installed uninstall program lies in the folder it removes, and a
// running program's file cannot be deleted. So after the user has confirmed,
// the program copies itself to the temporary folder and starts the copy as a
// continuation (uninstall_command.h), which waits for the first process to
// end and then removes everything, the installed program included. The copy
// is opened for deletion on close, and that handle is inherited by the copy's
// process: the system deletes the copy when its process ends.
#pragma once

#include <string>

// Makes the temporary copy and starts it on recordKey. Returns true when the
// copy runs (the caller should then end at once, without touching anything);
// false when no copy could be made or started (nothing is left behind then).
bool HandOverToTemporaryCopy(const std::string& modulePath, const std::string& recordKey);

// In the continuation: waits (up to a minute) for the first process, whose
// handle the command line carries, and closes that handle.
void WaitForFirstProcess(uintptr_t handle);
