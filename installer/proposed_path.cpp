#include "installer/proposed_path.h"

#include <shlobj.h>

#include "installer/initial_path.h"
#include "installer/shortcut.h"

std::string SpecialFolderPath(HWND owner, int folder) {
    return ShellFolderPath(folder, owner);
}

std::string ProposedInstallationPath(HWND owner, const std::string& firstHostFolder,
                                     const std::string& defaultFolder) {
    return ChooseInitialPath(firstHostFolder, SpecialFolderPath(owner, CSIDL_PROGRAM_FILES),
                             SpecialFolderPath(owner, CSIDL_PROGRAMS), defaultFolder);
}
