// Entry names as file paths: which names may be written below a folder, and
// how names are shown.
#pragma once

#include <filesystem>
#include <string>

// Why the entry name cannot be used as a path below a folder on Linux or
// Windows, or an empty string when it can. Both '/' and '\' separate
// components. Refused: an empty name, control characters, a leading
// separator (absolute path), ':' (drive letters, streams), empty, "." and ".."
// components, components ending in a dot or a space (Windows drops those, so
// ".. " would climb out), characters Windows forbids in names (< > " | ? *),
// and device names (CON, NUL, COM1, ..., also followed by spaces before an
// extension: "NUL .txt").
std::string unsafeEntryNameReason(const std::string& name);

// The relative path of a name that unsafeEntryNameReason accepts.
std::filesystem::path entryRelativePath(const std::string& name);

// name as shown in messages and listings: bytes below 0x20 and 0x7F as \xNN.
std::string printableName(const std::string& name);

// printableName in double quotes, as messages show entry names.
std::string quotedName(const std::string& name);
