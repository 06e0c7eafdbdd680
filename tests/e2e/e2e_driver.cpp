#include "tests/e2e/e2e_driver.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <cwchar>
#include <memory>

#include "foundation/utf8.h"

namespace e2e {

// ---- Processes ---------------------------------------------------------------

Process::Process(const std::string& program, const std::string& arguments,
                 const std::string& folder, const std::vector<std::string>& extraEnvironment) {
    // Wide throughout: paths and arguments may hold any letters.
    std::wstring environment;
    if (!extraEnvironment.empty()) {
        wchar_t* own = GetEnvironmentStringsW();
        for (const wchar_t* item = own; *item; item += std::wcslen(item) + 1)
            environment.append(item).push_back(L'\0');
        FreeEnvironmentStringsW(own);
        for (const std::string& item : extraEnvironment)
            environment.append(Utf8ToWide(item)).push_back(L'\0');
        environment.push_back(L'\0');
    }
    std::wstring commandLine =
        Utf8ToWide("\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments));
    const std::wstring wideProgram = Utf8ToWide(program);
    const std::wstring wideFolder = Utf8ToWide(folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(wideProgram.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                       environment.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT,
                       environment.empty() ? nullptr : &environment[0],
                       folder.empty() ? nullptr : wideFolder.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

Process::~Process() {
    if (!process_) return;
    // A test that failed half-way leaves the installer open: end it.
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
}

DWORD Process::Wait(DWORD milliseconds) {
    if (!process_ || WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

// ---- Windows ---------------------------------------------------------------

namespace {

struct DialogSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (owner == search->processId && IsWindowVisible(window) &&
        std::strcmp(className, "#32770") == 0)
        search->found.push_back(window);
    return TRUE;
}

HWND MessageBoxTextControl(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? text : GetDlgItem(box, 100);
}

}  // namespace

std::vector<HWND> VisibleDialogs(DWORD processId) {
    DialogSearch search{processId, {}};
    EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialogWithControl(DWORD processId, int controlId, const char* className) {
    return WaitForDialog(processId, [controlId, className](HWND dialog) {
        HWND control = GetDlgItem(dialog, controlId);
        char name[64] = "";
        if (control) GetClassNameA(control, name, sizeof name);
        return control && (!className || _stricmp(name, className) == 0);
    });
}

HWND WaitForMessageBox(DWORD processId) {
    return WaitForDialog(processId, [](HWND dialog) {
        HWND text = MessageBoxTextControl(dialog);
        char className[32] = "";
        if (text) GetClassNameA(text, className, sizeof className);
        return text && _stricmp(className, "Static") == 0 && GetDlgItem(dialog, 1011) == nullptr;
    });
}

std::string MessageBoxText(HWND box) {
    return Text(MessageBoxTextControl(box));
}

std::string Text(HWND window) {
    if (!window) return std::string();
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 10000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                        SMTO_NORMAL, 10000, &copied);
    text.resize(std::wcslen(text.c_str()));
    return WideToUtf8(text);
}

std::string ControlText(HWND dialog, int id) {
    return Text(GetDlgItem(dialog, id));
}

void SetControlText(HWND dialog, int id, const std::string& text) {
    const std::wstring wide = Utf8ToWide(text);
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

bool IsVisible(HWND dialog, int id) {
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsEnabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void Click(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Command(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

bool WaitUntilHidden(HWND window) {
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 100) {
        if (!IsWindow(window) || !IsWindowVisible(window)) return true;
        Sleep(100);
    }
    return false;
}

bool WaitForCentreColour(HWND window, bool (*wanted)(COLORREF)) {
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 50) {
        if (wanted(CentreColour(window))) return true;
        Sleep(50);
    }
    return false;
}

// ---- Memory in the installer's process ----------------------------------------------

namespace {

class RemoteBuffer {
public:
    RemoteBuffer(DWORD processId, size_t size)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId)),
          size_(size) {
        if (process_)
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    char* Address() const { return static_cast<char*>(address_); }
    bool Write(size_t offset, const void* data, size_t size) const {
        return WriteProcessMemory(process_, Address() + offset, data, size, nullptr) != FALSE;
    }
    bool Read(size_t offset, void* data, size_t size) const {
        return ReadProcessMemory(process_, Address() + offset, data, size, nullptr) != FALSE;
    }

private:
    HANDLE process_;
    void* address_ = nullptr;
    size_t size_;
};

constexpr size_t kTextOffset = 256;
constexpr size_t kTextBytes = 1024;

}  // namespace

// ---- Lists ---------------------------------------------------------------------

int ListRowCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string ListItemText(DWORD processId, HWND list, int row, int column) {
    RemoteBuffer remote(processId, kTextOffset + kTextBytes);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote.Address() + kTextOffset);
    item.cchTextMax = kTextBytes / sizeof(wchar_t);
    const wchar_t nothing = 0;
    remote.Write(kTextOffset, &nothing, sizeof nothing);
    remote.Write(0, &item, sizeof item);
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote.Address()));
    wchar_t text[kTextBytes / sizeof(wchar_t)] = L"";
    remote.Read(kTextOffset, text, sizeof text);
    text[kTextBytes / sizeof(wchar_t) - 1] = L'\0';
    return WideToUtf8(text);
}

std::string ListColumnText(DWORD processId, HWND list, int column) {
    RemoteBuffer remote(processId, kTextOffset + kTextBytes);
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT;
    header.pszText = reinterpret_cast<wchar_t*>(remote.Address() + kTextOffset);
    header.cchTextMax = kTextBytes / sizeof(wchar_t);
    remote.Write(0, &header, sizeof header);
    SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(remote.Address()));
    wchar_t text[kTextBytes / sizeof(wchar_t)] = L"";
    remote.Read(kTextOffset, text, sizeof text);
    text[kTextBytes / sizeof(wchar_t) - 1] = L'\0';
    return WideToUtf8(text);
}

void SelectListRow(DWORD processId, HWND list, int row) {
    RemoteBuffer remote(processId, sizeof(LVITEMA));
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    remote.Write(0, &item, sizeof item);
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote.Address()));
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        wchar_t wide[512] = L"";
        SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(wide));
        items.push_back(WideToUtf8(wide));
    }
    return items;
}

int ComboSelection(HWND combo) {
    return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
}

void SelectComboItem(HWND dialog, int comboId, int index) {
    HWND combo = GetDlgItem(dialog, comboId);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

HTREEITEM TreeSelection(HWND tree) {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

HTREEITEM TreeParent(HWND tree, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
}

std::string TreeItemText(DWORD processId, HWND tree, HTREEITEM item) {
    RemoteBuffer remote(processId, kTextOffset + kTextBytes);
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = reinterpret_cast<wchar_t*>(remote.Address() + kTextOffset);
    data.cchTextMax = kTextBytes / sizeof(wchar_t);
    remote.Write(0, &data, sizeof data);
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.Address()));
    wchar_t text[kTextBytes / sizeof(wchar_t)] = L"";
    remote.Read(kTextOffset, text, sizeof text);
    text[kTextBytes / sizeof(wchar_t) - 1] = L'\0';
    return WideToUtf8(text);
}

void SelectTreeItem(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

// ---- Screen ----------------------------------------------------------------------

std::string SaveScreenshot(const std::string& name) {
    CreateDirectoryA(NERRO_E2E_SHOTS, nullptr);
    const std::string path = std::string(NERRO_E2E_SHOTS) + "\\" + name + ".bmp";
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    const DWORD imageBytes = stride * height;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageBytes;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageBytes);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return path;
}

COLORREF CentreColour(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    HDC screen = GetDC(nullptr);
    const COLORREF colour =
        GetPixel(screen, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ReleaseDC(nullptr, screen);
    return colour;
}

// ---- The test desktop ------------------------------------------------------------

namespace {

constexpr const char* kDesktopName = "nerro-e2e";
constexpr const char* kResultVariable = "NERRO_E2E_RESULT";

std::string CurrentDesktopName() {
    char name[128] = "";
    DWORD needed = 0;
    GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name, sizeof name,
                              &needed);
    return name;
}

}  // namespace

int RunOnTestDesktop(int argc, char** argv, bool* relaunched) {
    *relaunched = false;
    if (_stricmp(CurrentDesktopName().c_str(), kDesktopName) == 0) return -1;
    *relaunched = true;

    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    char resultFile[MAX_PATH] = "";
    GetTempFileNameA(folder, "e2e", 0, resultFile);
    DeleteFileA(resultFile);
    SetEnvironmentVariableA(kResultVariable, resultFile);

    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string arguments = std::string("/desktop=") + kDesktopName + ",800x600 \"" + self + "\"";
    for (int index = 1; index < argc; ++index)
        arguments += std::string(" \"") + argv[index] + "\"";
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    Process explorer(std::string(windows) + "\\explorer.exe", arguments, "");
    if (!explorer.Started()) return 2;
    explorer.Wait(INFINITE);
    // The explorer may return before the tests end: their result file says.
    for (int waited = 0; waited < 9000; ++waited) {
        std::ifstream in(resultFile);
        int code = 0;
        if (in >> code) {
            in.close();
            DeleteFileA(resultFile);
            return code;
        }
        Sleep(100);
    }
    std::fprintf(stderr, "e2e: the tests on desktop %s gave no result\n", kDesktopName);
    return 3;
}

void ReportResult(int exitCode) {
    char path[MAX_PATH] = "";
    if (!GetEnvironmentVariableA(kResultVariable, path, sizeof path)) return;
    std::ofstream(path) << exitCode << "\n";
}

}  // namespace e2e
