#include "installer/shortcut.h"

// The shell headers need windows.h first (platform/win_sdk.h, by shortcut.h).
#include <objbase.h>
#include <shlobj.h>

#include "installer/windows_names.h"
#include "platform/shell_path.h"
#include "platform/win_handles.h"
#include "platform/win_text.h"

HRESULT CreateShortcut(const std::string& target, const std::string& workingFolder,
                       const std::string& linkPath, const std::string& description,
                       const std::string& arguments) {
    CComPtr<IShellLinkW> link;
    HRESULT status = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, reinterpret_cast<void**>(link.Receive()));
    if (FAILED(status)) return status;

    // The link keeps its target and working folder as the shell starts
    // programs: plain, and within MAX_PATH (LaunchablePath).
    link->SetDescription(Wide(description).c_str());
    link->SetPath(Wide(LaunchablePath(target)).c_str());
    link->SetWorkingDirectory(Wide(LaunchablePath(workingFolder)).c_str());
    status = link->SetArguments(Wide(arguments).c_str());

    CComPtr<IPersistFile> file;
    status = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive()));
    if (FAILED(status)) return status;
    return file->Save(WidePath(linkPath + ".lnk").c_str(), TRUE);
}

std::string ShellFolderPath(int folder, HWND owner) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(owner, folder, &list)) || !list) return {};
    // No folder is cut at MAX_PATH.
    const std::string path = PathFromIdList(list);
    // Item id lists come from the shell's allocator.
    CoTaskMemFree(list);
    return Utf8(PlainPath(Wide(path)));
}

std::string ProgramsFolderPath() {
    return ShellFolderPath(CSIDL_PROGRAMS);
}
