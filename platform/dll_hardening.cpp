#include "platform/dll_hardening.h"

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

bool searchRestricted = false;

}  // namespace

bool HardenDllSearch() {
    using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDefault =
        kernel ? reinterpret_cast<SetDefaultDllDirectoriesProc>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
               : nullptr;
    searchRestricted = setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!searchRestricted) SetDllDirectoryA("");
    return searchRestricted;
}

HMODULE LoadSystemLibrary(const char* name) {
    if (searchRestricted) return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadLibraryA(name);
}
