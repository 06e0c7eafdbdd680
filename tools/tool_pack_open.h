// Opening the pack in a file for nerro-pack's commands, with a clear reason
// when there is none to open.
#pragma once

#include <memory>
#include <string>

#include "pack/pack_file.h"

// The pack in path, read-only. Throws ToolError when the file cannot be
// opened ("cannot open PATH"), holds no pack ("PATH holds no pack"), has a
// format version this tool does not read, or a damaged index.
std::unique_ptr<TPackFile> openPackToRead(const std::string& path);

// The pack in path (a working copy), writable: a file without a pack gets an
// empty one begun behind its contents. shown names the file in messages.
// Throws ToolError for a file with a damaged pack or that cannot be written.
std::unique_ptr<TPackFile> openPackToChange(const std::string& path, const std::string& shown);

// Why an entry read with that status is not usable, as commands say it after
// its name: "damaged data (cannot be decoded)", "check value mismatch"...
std::string readFailureReason(PackReadStatus status);
