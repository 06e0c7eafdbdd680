// Start-menu shortcuts (shell links).
#pragma once

#include <string>

#include "platform/win_sdk.h"

// Creates the shortcut file linkPath + ".lnk" pointing at target, with the
// working folder, the description and the command-line arguments given, and
// saves it with the shell's own link object (CLSID_ShellLink, IShellLinkW).
// The folder of the link must exist. The calling thread must have initialised
// COM (CComInitialize). Returns the status of the last shell call: S_OK when
// the file was saved, the failing call's status otherwise.
HRESULT CreateShortcut(const std::string& target, const std::string& workingFolder,
                       const std::string& linkPath, const std::string& description,
                       const std::string& arguments);

// The file-system path of a special folder (CSIDL_...), of any length,
// without a trailing backslash; empty when the shell cannot name it.
std::string ShellFolderPath(int folder, HWND owner = nullptr);

// The user's Start-menu Programs folder (CSIDL_PROGRAMS), without a trailing
// backslash; empty when the shell cannot name it.
std::string ProgramsFolderPath();
