// A DLL planted beside the installer under the name of a system DLL the
// installer loads late (oleaut32.dll). Loading it leaves the marker file
// "planted-dll-loaded.txt" beside it; the hardened installer must never load it.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH] = "";
    GetModuleFileNameA(self, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    if (slash) std::strcpy(slash + 1, "planted-dll-loaded.txt");
    HANDLE marker =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return TRUE;
}
