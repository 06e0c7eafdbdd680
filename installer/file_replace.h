// Writing an installed file so that the file it replaces is never lost: the
// new bytes go to a temporary file beside the target, are flushed to the
// disk when a file is to be replaced, and only then does the old file step
// aside (renamed to a backup the
// journal keeps until the installation ends) and the new one take its name.
// A write that fails (a full disk) leaves the old file as it was. Renaming
// also never writes through a link that stands where the file was expected:
// the link itself is moved aside.
#pragma once

#include <cstdint>
#include <string>

#include "installer/install_journal.h"
#include "platform/win_sdk.h"

// Writes size bytes as the file path, with no attribute but normal (the
// archive bit cleared), recording the change in journal.
// Returns 0, or the system's error code (then nothing is left of the
// attempt but what journal lists). A read-only file is not replaced
// (ERROR_ACCESS_DENIED), nor a folder.
DWORD WriteFileReplacing(const std::string& path, const uint8_t* bytes, uint32_t size,
                         InstallJournal& journal);

// WriteFileReplacing in two halves, so that the writing may run on other
// threads while one thread keeps the journal: first the new file under a
// temporary name beside its target, then in its place.
struct PreparedFile {
    std::string temporary;  // the new file; empty when nothing was written
    bool flushed = false;   // on the disk already
    DWORD error = 0;        // why nothing was written
};

// Writes size bytes beside path (no attribute but normal), flushed when a
// file stands at path now, and touches no journal: any thread may call it.
// A read-only file or a folder at path is refused before anything is
// written (error ERROR_ACCESS_DENIED or ERROR_DIRECTORY); on any failure
// nothing of the attempt is left and temporary is empty.
PreparedFile WriteBeside(const std::string& path, const uint8_t* bytes, uint32_t size);

// Gives prepared (as WriteBeside left it, not empty) the name path, the
// file that stands there stepping aside as a backup in journal; flushes it
// first when a file stands there now and it was not flushed. Returns 0 or
// the system's error; either way prepared's temporary file is gone.
DWORD PutInPlace(const std::string& path, PreparedFile& prepared, InstallJournal& journal);

// Deletes a prepared file that will not be put in place.
void DiscardPrepared(PreparedFile& prepared);

// Before something overwrites path in place (the shell saving a shortcut),
// keeps a copy of the file that is there as a backup in journal. Returns
// false when there is a file that cannot be copied.
bool BackUpBeforeOverwrite(const std::string& path, InstallJournal& journal);

// A name beside path that no file has yet: path + ".nerro-<what>-<n>".
std::string UnusedSiblingName(const std::string& path, const char* what);

// The WriteFile the writer calls; tests put in one that fails as a full disk
// does. nullptr restores the system's.
using WriteFileFunction = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
void SetWriteFileForTesting(WriteFileFunction function);
