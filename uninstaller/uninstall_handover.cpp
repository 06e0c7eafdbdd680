#include "uninstaller/uninstall_handover.h"

#include <windows.h>

#include "platform/kernel_handles.h"
#include "uninstaller/uninstall_command.h"

namespace {

std::string temporaryFolder() {
    char path[MAX_PATH + 1] = "";
    const DWORD length = GetTempPathA(sizeof path, path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

// A new file in folder for the copy; its name ends in ".exe" so that the
// system starts it like any program.
std::string copyName(const std::string& folder, int attempt) {
    return folder + "nerro-uninstall-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount()) + "-" + std::to_string(attempt) + ".exe";
}

}  // namespace

bool HandOverToTemporaryCopy(const std::string& modulePath, const std::string& recordKey) {
    const std::string folder = temporaryFolder();
    if (folder.empty()) return false;
    std::string copy;
    for (int attempt = 0; attempt < 10 && copy.empty(); ++attempt) {
        const std::string name = copyName(folder, attempt);
        if (CopyFileA(modulePath.c_str(), name.c_str(), TRUE)) copy = name;
    }
    if (copy.empty()) return false;

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    // No access rights of its own: this handle exists only to delete the file
    // when the last process holding it ends. Others may read (and run) it.
    UniqueHandle deleteOnClose(CreateFileA(copy.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                           &inherit, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE,
                                           nullptr));
    HANDLE self = nullptr;
    if (!deleteOnClose || !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(),
                                           GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0)) {
        deleteOnClose.Reset();
        DeleteFileA(copy.c_str());
        return false;
    }
    const UniqueHandle selfHandle(self);

    std::string commandLine =
        ContinuationCommand(copy, reinterpret_cast<uintptr_t>(self), recordKey);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Run in the temporary folder, so that no folder to be removed is the
    // copy's current folder.
    if (!CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
        deleteOnClose.Reset();
        DeleteFileA(copy.c_str());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void WaitForFirstProcess(uintptr_t handle) {
    const UniqueHandle first(reinterpret_cast<HANDLE>(handle));
    if (first) WaitForSingleObject(first.Get(), 60000);
}
