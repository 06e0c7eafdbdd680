#include "uninstall_run_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "installer/windows_names.h"
#include "platform/kernel_handles.h"
#include "platform/win_text.h"

namespace installtest {

namespace {

// Names that the other installation tests give their folders, keys and
// shortcuts, and the hosts' keys that detection tests make.
const char* const kOtherTestMarks[] = {
    "nerro-install-test", "nerrotest-", "nerrorecordtest", "nerrohosttest", "nerrohosttable",
    "nerroremovaltest",   "other-",     "\\adobe",         "\\macromedia",  "\\jasc",
};

// Keys that Wine keeps up to date itself while programs run (devices, the
// display, desktop metrics); the installation writes into none of them.
const char* const kWineRuntimeKeys[] = {
    "hklm\\hardware",
    "hklm\\system",
    "hkcu\\software\\wine",
};

std::string lower(const std::string& text) {
    return LowerCaseName(text);
}

bool madeByOtherTests(const std::string& path) {
    const std::string low = lower(path);
    for (const char* mark : kOtherTestMarks)
        if (low.find(mark) != std::string::npos) return true;
    return false;
}

bool isWineRuntimeKey(const std::string& path) {
    const std::string low = lower(path);
    for (const char* key : kWineRuntimeKeys)
        if (low == key) return true;
    return false;
}

std::vector<DWORD> jobProcesses(HANDLE job) {
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST list;
        ULONG_PTR more[63];
    } ids = {};
    ids.list.NumberOfAssignedProcesses = 64;
    std::vector<DWORD> result;
    if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr))
        return result;
    for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList; ++i)
        result.push_back(static_cast<DWORD>(ids.list.ProcessIdList[i]));
    return result;
}

std::string windowText(HWND window) {
    wchar_t text[4096] = L"";
    GetWindowTextW(window, text, 4096);
    return Utf8(text);
}

struct Search {
    std::vector<DWORD> processes;
    std::vector<HWND> found;
};

BOOL CALLBACK collectBox(HWND window, LPARAM parameter) {
    Search& search = *reinterpret_cast<Search*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[64] = L"";
    GetClassNameW(window, className, 64);
    if (std::wstring(className) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    for (DWORD id : search.processes)
        if (id == process) search.found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<SeenMessage> RunAndAnswer(const std::string& commandLine, bool confirm,
                                      DWORD timeoutMs) {
    return RunProgram(commandLine, confirm, timeoutMs).messages;
}

RunResult RunProgram(const std::string& commandLine, bool confirm, DWORD timeoutMs) {
    RunResult result;
    std::vector<SeenMessage>& seen = result.messages;
    const UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    EXPECT_TRUE(job);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring line = Wide(commandLine);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << GetLastError();
        return result;
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle thread(process.hThread);
    EXPECT_TRUE(AssignProcessToJobObject(job.Get(), process.hProcess));
    ResumeThread(process.hThread);

    std::set<HWND> answered;
    for (DWORD waited = 0;; waited += 50) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
        QueryInformationJobObject(job.Get(), JobObjectBasicAccountingInformation, &accounting,
                                  sizeof accounting, nullptr);
        if (accounting.ActiveProcesses == 0 &&
            WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
            break;
        if (waited > timeoutMs) {
            ADD_FAILURE() << "the uninstall program did not end: " << commandLine;
            TerminateJobObject(job.Get(), 1);
            break;
        }
        Search search;
        search.processes = jobProcesses(job.Get());
        EnumWindows(collectBox, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.found) {
            if (answered.count(box)) continue;
            SeenMessage message;
            message.caption = windowText(box);
            // The text control is 0xFFFF on Windows and 100 under Wine.
            HWND text = GetDlgItem(box, 0xFFFF);
            if (!text) text = GetDlgItem(box, 100);
            message.text = text ? windowText(text) : std::string();
            message.question = GetDlgItem(box, IDYES) != nullptr;
            const int answer = message.question ? (confirm ? IDYES : IDNO) : IDOK;
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
            answered.insert(box);
            seen.push_back(message);
        }
        Sleep(50);
    }
    WaitForSingleObject(process.hProcess, 0);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    return result;
}

namespace {

// Wine links these folders of the user's profile to the host's home folder,
// which is no part of the drive; the installation writes into none of them.
std::set<std::string> linkedProfileFolders() {
    std::set<std::string> folders;
    for (int id : {CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_MYMUSIC, CSIDL_MYPICTURES,
                   CSIDL_MYVIDEO, CSIDL_TEMPLATES}) {
        // SHGetFolderPathW fills MAX_PATH characters at most.
        wchar_t path[MAX_PATH] = L"";
        if (SUCCEEDED(SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path)))
            folders.insert(lower(Utf8(path)));
    }
    wchar_t profile[MAX_PATH] = L"";
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile)))
        folders.insert(lower(Utf8(profile) + "\\Downloads"));
    return folders;
}

void walkDrive(const std::string& folder, const std::string& temp,
               const std::set<std::string>& skipped, std::set<std::string>& lines) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(WidePath(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = Utf8(found.cFileName);
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool inTemp = lower(folder) == temp;
        if (inTemp && lower(name).rfind("nerro-uninstall", 0) != 0) continue;
        if (madeByOtherTests(path)) continue;
        if (isFolder) {
            lines.insert(path + "\\");
            if (!skipped.count(lower(path)) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                walkDrive(path, temp, skipped, lines);
        } else {
            lines.insert(path + " " + std::to_string(found.nFileSizeLow));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void walkKey(HKEY key, const std::string& path, int depth, std::set<std::string>& lines) {
    lines.insert(path + "\\");
    DWORD subKeys = 0, longestSubKey = 0, values = 0, longestName = 0, longestData = 0;
    // Wine's registry holds a few links; a bounded depth keeps a looping one finite.
    if (depth > 32 ||
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &longestSubKey, nullptr, &values,
                         &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<wchar_t> name(std::max(longestName, longestSubKey) + 2);
    std::vector<BYTE> data(longestData + 1);
    for (DWORD index = 0; index < values; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(),
                          &dataLength) != ERROR_SUCCESS)
            continue;
        std::string hex;
        for (DWORD i = 0; i < dataLength; ++i) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02x", data[i]);
            hex += digits;
        }
        lines.insert(path + "\\[" + Utf8(std::wstring_view(name.data(), nameLength)) + "] " +
                     std::to_string(type) + " " + hex);
    }
    for (DWORD index = 0; index < subKeys; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            continue;
        const std::string child = path + "\\" + Utf8(std::wstring_view(name.data(), nameLength));
        if (madeByOtherTests(child) || isWineRuntimeKey(child)) continue;
        HKEY opened = nullptr;
        if (RegOpenKeyExW(key, name.data(), 0, KEY_READ, &opened) != ERROR_SUCCESS) continue;
        const RegKey sub(opened);
        walkKey(sub.Get(), child, depth + 1, lines);
    }
}

}  // namespace

std::set<std::string> DriveSnapshot(const std::string& root) {
    std::string temp = TempFolder();
    while (!temp.empty() && temp.back() == '\\')
        temp.pop_back();
    const std::string longTemp = LongPathName(temp);
    if (!longTemp.empty()) temp = longTemp;
    std::set<std::string> lines;
    walkDrive(root, lower(temp), linkedProfileFolders(), lines);
    return lines;
}

std::set<std::string> RegistrySnapshot(HKEY root, const std::string& prefix) {
    std::set<std::string> lines;
    walkKey(root, prefix, 0, lines);
    return lines;
}

std::string SnapshotDifference(const std::set<std::string>& before,
                               const std::set<std::string>& after) {
    std::string text;
    for (const std::string& line : after)
        if (!before.count(line)) text += "+ " + line + "\n";
    for (const std::string& line : before)
        if (!after.count(line)) text += "- " + line + "\n";
    return text;
}

}  // namespace installtest
