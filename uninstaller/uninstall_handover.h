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
//
// Who waits for whom. The caller (the list of installed programs, a script
// running "QuietUninstallString") waits for the process it started, the
// first one, and takes its exit code as the result. The first process's own
// file can only go once that process has ended, so its exit code cannot wait
// for that deletion. Therefore:
//   1. The first process starts the copy with the writing end of a pipe,
//      lets go of everything else the copy inherits, and blocks reading the
//      pipe.
//   2. The copy removes everything but the first process's file (and the
//      recorded folders holding it), after checking that it may delete that
//      file (RemoveInstallation's runningProgram), and writes its exit code
//      into the pipe. The first process returns that code. Should the copy
//      end without writing, the pipe breaks, and the first process returns
//      the copy's own exit code (1 when it has none).
//   3. The copy waits for the first process to end, deletes its file and the
//      folders now empty (RemoveRecordedFiles), and shows its final message
//      unless silent.
// Nobody waits in a circle: the first process waits for the copy's word, the
// copy for the first process only after giving it. The exit code thus
// covers everything recorded; for the first process's file and its folders
// it covers that they are deletable and hold nothing else. Should that last
// deletion still fail, the file is left for the next start of the system.
#pragma once

#include <cstdint>
#include <string>

// Makes the temporary copy and starts it on recordKey (silent: with /S).
// Returns true when the copy ran; exitCode is then what the copy decided,
// and the caller should end with it at once, without touching anything.
// False when no copy could be made or started (nothing is left behind then).
bool HandOverToTemporaryCopy(const std::string& modulePath, const std::string& recordKey,
                             bool silent, int& exitCode);

// In the continuation: the file the first process runs from (its handle has
// the right to ask); empty when unknown.
std::string FirstProcessProgram(uintptr_t handle);

// In the continuation: gives exitCode to the first process through the pipe
// (resultPipe, inherited) and closes it. A pipe of 0 is passed over.
void SendResult(uintptr_t resultPipe, int exitCode);

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
