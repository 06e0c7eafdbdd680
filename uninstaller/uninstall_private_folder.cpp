#include "uninstaller/uninstall_private_folder.h"

#include <sddl.h>
#include <winternl.h>

#include <vector>

#include "installer/windows_names.h"
#include "platform/win_text.h"

namespace {

// The security for this process (PrivateFolderSecurity); empty when the
// process's account cannot be read.
std::string folderSecurity() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
    const UniqueHandle token(opened);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    const bool elevated = GetTokenInformation(token.Get(), TokenElevation, &elevation,
                                              sizeof elevation, &size) &&
                          elevation.TokenIsElevated;
    if (elevated) return PrivateFolderSecurity(true, "");

    size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    wchar_t* sid = nullptr;
    if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid))
        return {};
    const std::string text = PrivateFolderSecurity(false, Utf8(sid));
    LocalFree(sid);
    return text;
}

using NtCreateFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                          PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                          ULONG, PVOID, ULONG);

// Creates the folder path and opens it in one step (CreateDirectoryW returns
// no handle: between creating and opening, another program could swap the
// folder). Bound by name: the programs import no DLL beyond their list.
UniqueHandle createAndOpenFolder(const std::string& path, PSECURITY_DESCRIPTOR security) {
    const auto create = reinterpret_cast<NtCreateFileCall>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtCreateFile")));
    if (!create) return UniqueHandle();
    std::wstring wide = NtPath(path);
    UNICODE_STRING name;
    name.Buffer = wide.data();
    name.Length = static_cast<USHORT>(wide.size() * sizeof(wchar_t));
    name.MaximumLength = name.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_INHERIT, nullptr,
                               security);
    IO_STATUS_BLOCK status = {};
    HANDLE folder = nullptr;
    const NTSTATUS result =
        create(&folder, DELETE | FILE_LIST_DIRECTORY | SYNCHRONIZE, &attributes, &status, nullptr,
               FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE,
               FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    return UniqueHandle(result >= 0 ? folder : nullptr);
}

}  // namespace

std::wstring NtPath(const std::string& path) {
    const std::wstring plain = PlainPath(WidePath(path));
    if (plain.compare(0, 2, L"\\\\") == 0) return L"\\??\\UNC\\" + plain.substr(2);
    return L"\\??\\" + plain;
}

std::string PrivateFolderSecurity(bool elevated, const std::string& userSid) {
    const std::string everyone = "(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    if (elevated) return "O:BAD:P" + everyone;
    return "D:P" + everyone + "(A;OICI;FA;;;" + userSid + ")";
}

PrivateFolder CreatePrivateFolder(const std::string& parent, const std::string& prefix) {
    PrivateFolder folder;
    const std::string security = folderSecurity();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (security.empty() || !ConvertStringSecurityDescriptorToSecurityDescriptorW(
                                Wide(security).c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return folder;
    std::string base = parent;
    while (!base.empty() && base.back() == '\\')
        base.pop_back();
    for (int attempt = 0; attempt < 10 && !folder.handle; ++attempt) {
        folder.path = base + "\\" + prefix + std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(GetTickCount()) + "-" + std::to_string(attempt);
        folder.handle = createAndOpenFolder(folder.path, descriptor);
    }
    LocalFree(descriptor);
    if (!folder.handle) folder.path.clear();
    return folder;
}

bool DeletePrivateFolder(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    const bool marked =
        SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
    CloseHandle(handle);
    return marked;
}
