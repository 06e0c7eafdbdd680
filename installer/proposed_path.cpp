#include "installer/proposed_path.h"

#include <shlobj.h>

#include "installer/initial_path.h"

std::string SpecialFolderPath(HWND owner, int folder) {
    LPITEMIDLIST id = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(owner, folder, &id)) || !id) return std::string();
    char path[MAX_PATH] = "";
    const bool found = SHGetPathFromIDListA(id, path) != FALSE;
    CoTaskMemFree(id);
    return found ? std::string(path) : std::string();
}

std::string ProposedInstallationPath(HWND owner, const std::string& firstHostFolder,
                                     const std::string& defaultFolder) {
    return ChooseInitialPath(firstHostFolder, SpecialFolderPath(owner, CSIDL_PROGRAM_FILES),
                             SpecialFolderPath(owner, CSIDL_PROGRAMS), defaultFolder);
}
