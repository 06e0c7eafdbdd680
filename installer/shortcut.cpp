#include "installer/shortcut.h"

// The shell headers need windows.h first.
#include <objbase.h>
#include <shlobj.h>

#include "platform/win_handles.h"

HRESULT CreateShortcut(const std::string& target, const std::string& workingFolder,
                       const std::string& linkPath, const std::string& description,
                       const std::string& arguments) {
    CComPtr<IShellLinkA> link;
    HRESULT status = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, reinterpret_cast<void**>(link.Receive()));
    if (FAILED(status)) return status;

    link->SetDescription(description.c_str());
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(workingFolder.c_str());
    status = link->SetArguments(arguments.c_str());

    CComPtr<IPersistFile> file;
    status = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive()));
    if (FAILED(status)) return status;
    const std::string fileName = linkPath + ".lnk";
    WCHAR wideName[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, fileName.c_str(), -1, wideName, MAX_PATH))
        return HRESULT_FROM_WIN32(GetLastError());
    return file->Save(wideName, TRUE);
}

std::string ProgramsFolderPath() {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &list))) return {};
    char path[MAX_PATH] = "";
    const BOOL named = SHGetPathFromIDListA(list, path);
    // Item id lists come from the shell's allocator.
    CoTaskMemFree(list);
    return named ? std::string(path) : std::string();
}
