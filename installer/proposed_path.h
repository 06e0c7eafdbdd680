// The installation folder the installer proposes (in its dialog, and for a
// silent installation without /D=): inside the first detected host's
// plug-in folder, else under Program Files (initial_path.h).
#pragma once

#include <string>

#include "platform/win_sdk.h"

// The file-system path of a special folder (CSIDL_...), or empty.
std::string SpecialFolderPath(HWND owner, int folder);

// firstHostFolder: the first detected host's plug-in folder, or empty.
std::string ProposedInstallationPath(HWND owner, const std::string& firstHostFolder,
                                     const std::string& defaultFolder);
