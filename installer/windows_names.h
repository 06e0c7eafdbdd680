// Paths and names through Windows' wide functions, as UTF-8, of any length
// (the "\\?\" form is used where a function needs it for a long path and
// never comes back to the caller).
#pragma once

#include <string>

// The absolute, normal form of path (GetFullPathNameW: "." and ".."
// resolved, slashes turned into backslashes); empty on failure.
std::string FullPathName(const std::string& path);

// The long form of every component of an existing path (GetLongPathNameW:
// "PROGRA~1" becomes "Program Files"); empty on failure.
std::string LongPathName(const std::string& path);

// path as a program is started or a shell link names it, with backslashes
// only: the plain path
// when it is shorter than MAX_PATH, else its short (8.3) form when the volume
// keeps one and that is shorter, else the plain path. CreateProcess and shell
// links take neither the "\\?\" form nor longer paths.
std::string LaunchablePath(const std::string& path);

// name in lower case as the system folds it for names of files and keys
// (every letter, not only ASCII), for comparing names without regard to case.
std::string LowerCaseName(const std::string& name);

// path without the "\\?\" (or "\\?\UNC\") prefix, when it has one.
std::wstring PlainPath(std::wstring path);
