// Links on the way to a recorded path.
//
// A recorded folder (the installation folder, say) may since have been
// replaced by a link to another folder: a symbolic link or a junction,
// reparse points both. Deleting through it would delete in the folder it
// leads to, which the installation never made. So nothing is deleted through
// a link; a link whose own path is recorded is removed itself, never what it
// leads to.
#pragma once

#include <functional>
#include <string>

#include "platform/win_sdk.h"

// What a path names itself, not what a link there leads to.
struct PathEntry {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;  // INVALID_FILE_ATTRIBUTES: missing
    DWORD reparseTag = 0;                         // for a reparse point
};
using PathEntryLookup = std::function<PathEntry(const std::string& path)>;

// True for an entry that leads elsewhere: a reparse point whose tag names
// another path (symbolic links, junctions: IsReparseTagNameSurrogate) or is
// unknown (0: Wine shows a Unix symbolic link to a folder so). Other reparse
// points (files kept in the cloud, deduplicated files) hold their own data.
bool IsLink(const PathEntry& entry);

// The first component of path below its drive or share that is a link, as
// the path up to and including it (path itself when only that is one); empty
// when there is none. path in normal form (NormalRecordedPath), removable
// (IsRemovablePath). A missing component ends the walk.
std::string FirstLinkOnPath(const std::string& path, const PathEntryLookup& lookup);

// The entry at path itself (FindFirstFileA, which reports the entry's own
// attributes and reparse tag).
PathEntry LookUpPathEntry(const std::string& path);

// Removes the link at path, through a handle opened on the link itself
// (FILE_FLAG_OPEN_REPARSE_POINT) and only when that handle reports a reparse
// point: where the system opens what the link leads to instead (Wine does),
// nothing is removed. False with whyNot (one clause) when it stays.
bool RemoveLinkItself(const std::string& path, std::string& whyNot);
