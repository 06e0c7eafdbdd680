#include "platform/dll_hardening.h"

#include "platform/win_text.h"

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

bool searchRestricted = false;

}  // namespace

bool HardenDllSearch() {
    using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault =
        kernel ? reinterpret_cast<SetDefaultDllDirectoriesProc>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
               : nullptr;
    searchRestricted = setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!searchRestricted) SetDllDirectoryW(L"");
    return searchRestricted;
}

HMODULE LoadSystemLibrary(const char* name) {
    const std::wstring wide = Wide(name ? name : "");
    if (searchRestricted) return LoadLibraryExW(wide.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadLibraryW(wide.c_str());
}
