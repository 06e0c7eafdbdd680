#include "uninstaller/uninstall_handover.h"

#include <vector>

#include "platform/kernel_handles.h"
#include "platform/win_sdk.h"
#include "platform/win_text.h"
#include "uninstaller/uninstall_command.h"
#include "uninstaller/uninstall_private_folder.h"

namespace {

// Everything in file from its start; empty when it cannot be read.
std::string readAll(HANDLE file) {
    LARGE_INTEGER size = {};
    LARGE_INTEGER start = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || size.QuadPart > (1 << 30) ||
        !SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return {};
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size())
        return {};
    return bytes;
}

std::string readProgram(const std::string& path) {
    const UniqueHandle file(CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    return file ? readAll(file.Get()) : std::string();
}

bool writeAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// The copy of image at path, held by two handles: keeper (returned) from
// the file's creation on shares neither deletion nor, after the writing,
// anything but reading with contents; contents shares no writing. Both empty
// when the file could not be made as image, or was changed on the way.
UniqueHandle writeCopy(const std::string& path, const std::string& image,
                       UniqueHandle& contents) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    // Deleting on close needs deletion rights, and Windows starts no program
    // that a handle holds open for writing: so the keeper cannot be the
    // writer, and shares writing with it. It never shares deletion.
    UniqueHandle keeper(CreateFileW(WidePath(path).c_str(), GENERIC_READ | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!keeper) return keeper;
    {
        const UniqueHandle writer(CreateFileW(WidePath(path).c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
        if (!writer || !writeAll(writer.Get(), image)) return UniqueHandle();
    }
    // From here on nobody can open the copy for writing. Anybody who held it
    // open so makes this fail; anybody who wrote into it in between and let
    // go shows in the comparison.
    contents.Reset(CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
    if (!contents || readAll(contents.Get()) != image) {
        contents.Reset();
        return UniqueHandle();
    }
    return keeper;
}

// Renames the file open as file (with deletion rights) to target, which must
// not exist.
bool renameOpenFile(HANDLE file, const std::string& target) {
    const std::wstring ntPath = NtPath(target);
    const size_t nameBytes = ntPath.size() * sizeof(wchar_t);
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + nameBytes + sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    ntPath.copy(info->FileName, ntPath.size());
    info->FileName[ntPath.size()] = L'\0';
    return SetFileInformationByHandle(file, FileRenameInfo, info,
                                      static_cast<DWORD>(buffer.size()));
}

std::string parentOf(const std::string& path) {
    const size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

bool HandOverToTemporaryCopy(const std::string& modulePath, const std::string& recordKey,
                             bool silent, int& exitCode) {
    const std::string image = readProgram(modulePath);
    const std::string temp = TempFolder();
    if (image.empty() || temp.empty()) return false;
    PrivateFolder folder = CreatePrivateFolder(temp, "nerro-uninstall-");
    if (!folder) return false;
    const std::string copy = folder.path + "\\nerro-uninstall.exe";

    UniqueHandle contents;
    UniqueHandle keeper = writeCopy(copy, image, contents);
    HANDLE self = nullptr;
    HANDLE reading = nullptr, writing = nullptr;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    UniqueHandle copyProcess;
    // Only the writing end is inherited: the pipe breaks when the copy ends.
    if (keeper && CreatePipe(&reading, &writing, &inherit, 0)) {
        const UniqueHandle readingEnd(reading);
        UniqueHandle writingEnd(writing);
        SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
        if (DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                            SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0)) {
            const UniqueHandle selfHandle(self);
            ContinuationHandles handles;
            handles.firstProcess = reinterpret_cast<uintptr_t>(self);
            handles.copyFile = reinterpret_cast<uintptr_t>(keeper.Get());
            handles.copyFolder = reinterpret_cast<uintptr_t>(folder.handle.Get());
            handles.resultPipe = reinterpret_cast<uintptr_t>(writing);
            // CreateProcessW may write into the command line. The program
            // and the current folder go in the plain form: a program is not
            // started by its "\\?\" name.
            std::wstring commandLine =
                Wide(ContinuationCommand(copy, handles, recordKey, silent));
            STARTUPINFOW startup = {};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION process = {};
            // Run in the temporary folder: a process's current folder cannot be
            // deleted, and neither the private folder nor any folder to be
            // removed may be that.
            if (CreateProcessW(Wide(copy).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                               nullptr, Wide(temp).c_str(), &startup, &process)) {
                CloseHandle(process.hThread);
                copyProcess.Reset(process.hProcess);
            }
        }
        if (copyProcess) {
            // The copy holds its own handles now: let go of ours, so that
            // the copy's file and folder go when the copy lets go of them,
            // and the pipe breaks when the copy ends.
            writingEnd.Reset();
            contents.Reset();
            keeper.Reset();
            folder.handle.Reset();
            char code = 0;
            DWORD read = 0;
            if (ReadFile(readingEnd.Get(), &code, 1, &read, nullptr) && read == 1) {
                exitCode = static_cast<unsigned char>(code);
            } else {
                // The copy ended without a word: its own exit code tells.
                DWORD copyExit = 1;
                WaitForSingleObject(copyProcess.Get(), INFINITE);
                exitCode = GetExitCodeProcess(copyProcess.Get(), &copyExit) &&
                                   copyExit != STILL_ACTIVE
                               ? static_cast<int>(copyExit)
                               : 1;
            }
            return true;
        }
    }
    // The copy goes with its last handle, then the folder, empty again.
    contents.Reset();
    keeper.Reset();
    DeletePrivateFolder(folder.handle.Release());
    return false;
}

std::string FirstProcessProgram(uintptr_t handle) {
    if (!handle) return {};
    std::vector<wchar_t> path(1024);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD length = static_cast<DWORD>(path.size());
        if (QueryFullProcessImageNameW(reinterpret_cast<HANDLE>(handle), 0, path.data(), &length))
            return Utf8(std::wstring_view(path.data(), length));
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        path.resize(path.size() * 4);
    }
    return {};
}

void SendResult(uintptr_t resultPipe, int exitCode) {
    if (!resultPipe) return;
    const UniqueHandle pipe(reinterpret_cast<HANDLE>(resultPipe));
    const char code = static_cast<char>(exitCode);
    DWORD written = 0;
    WriteFile(pipe.Get(), &code, 1, &written, nullptr);
}

void WaitForFirstProcess(uintptr_t handle) {
    const UniqueHandle first(reinterpret_cast<HANDLE>(handle));
    if (first) WaitForSingleObject(first.Get(), 60000);
}

void ReleasePrivateFolder(const std::string& modulePath, uintptr_t copyFile,
                          uintptr_t copyFolder) {
    const std::string folder = parentOf(modulePath);
    const std::string above = parentOf(folder);
    if (copyFile && !above.empty()) {
        // A running program's file may be renamed, though not deleted. Out
        // there it is no longer the private folder's business, and nobody
        // can start it in our place any more: this process runs already.
        const std::string name = folder.substr(above.size() + 1);
        for (int attempt = 0; attempt < 10; ++attempt) {
            const std::string suffix = attempt ? "-" + std::to_string(attempt) : std::string();
            if (renameOpenFile(reinterpret_cast<HANDLE>(copyFile), above + "\\" + name + suffix +
                                                                       ".exe"))
                break;
        }
    }
    if (copyFolder && !DeletePrivateFolder(reinterpret_cast<HANDLE>(copyFolder)))
        MoveFileExW(WidePath(folder).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
