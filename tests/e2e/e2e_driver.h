// The end-to-end driver: starts nerro-setup.exe and works its windows from
// another process the way a person does (reading texts, typing a path,
// selecting rows and combo entries, clicking buttons), and saves screenshots.
//
// Wine facts it works around: list-view and tree-view messages carrying
// pointers are not marshalled across processes, so their structures go
// through memory allocated in the installer's process (RemoteBuffer); an
// ANSI CB_GETLBTEXT across processes answers in UTF-16, so the W message is
// used; a program sees only the windows of its own desktop, so the tests run
// on a desktop of their own (RunOnTestDesktop).
#pragma once

#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <string>
#include <vector>

namespace e2e {

// How long the driver waits for a window or a process before it gives up.
constexpr DWORD kWaitMilliseconds = 60000;

// ---- Processes ---------------------------------------------------------------

class Process {
public:
    // Starts program with the command line "program" arguments (arguments
    // already quoted as needed) in folder; extraEnvironment ("NAME=value"
    // items) is added to this process's environment.
    Process(const std::string& program, const std::string& arguments, const std::string& folder,
            const std::vector<std::string>& extraEnvironment = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    // Waits for the end; returns the exit code, or STILL_ACTIVE on timeout.
    DWORD Wait(DWORD milliseconds = kWaitMilliseconds);

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// ---- Windows ---------------------------------------------------------------

// The first visible top-level dialog (#32770) of the process for which test
// returns true; waits up to kWaitMilliseconds. Null when none appears.
template <class Test>
HWND WaitForDialog(DWORD processId, Test test);
std::vector<HWND> VisibleDialogs(DWORD processId);
// A visible dialog of the process that has a child of that id (and window
// class, when given), or null.
HWND WaitForDialogWithControl(DWORD processId, int controlId, const char* className = nullptr);
// The message box of the process (a dialog with a static text control id
// 100 under Wine or 0xFFFF under Windows), or null after the wait.
HWND WaitForMessageBox(DWORD processId);
std::string MessageBoxText(HWND box);

std::string Text(HWND window);
std::string ControlText(HWND dialog, int id);
// Types text into an edit control (WM_SETTEXT).
void SetControlText(HWND dialog, int id, const std::string& text);
// The control's own WS_VISIBLE (true also inside a hidden dialog).
bool IsVisible(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
// BM_CLICK, posted: the click's handler may run a modal loop.
void Click(HWND dialog, int id);
// Posts WM_COMMAND with id (IDOK for Enter, IDCANCEL for Escape).
void Command(HWND dialog, int id);
// Waits until window is gone or hidden.
bool WaitUntilHidden(HWND window);
// Waits until the screen pixel at window's centre satisfies wanted (a window
// that has just appeared may not have painted yet).
bool WaitForCentreColour(HWND window, bool (*wanted)(COLORREF));

// ---- Lists ---------------------------------------------------------------------

int ListRowCount(HWND list);
std::string ListItemText(DWORD processId, HWND list, int row, int column);
std::string ListColumnText(DWORD processId, HWND list, int column);
// Selects and focuses row as a click does (LVN_ITEMCHANGED reaches the dialog).
void SelectListRow(DWORD processId, HWND list, int row);

std::vector<std::string> ComboItems(HWND combo);
int ComboSelection(HWND combo);
// Selects index and tells the dialog, as a person picking the entry does.
void SelectComboItem(HWND dialog, int comboId, int index);

HTREEITEM TreeSelection(HWND tree);
std::string TreeItemText(DWORD processId, HWND tree, HTREEITEM item);
HTREEITEM TreeParent(HWND tree, HTREEITEM item);
void SelectTreeItem(HWND tree, HTREEITEM item);

// ---- Screen ----------------------------------------------------------------------

// Saves the screen (the test desktop) as a 24-bit BMP named name.bmp in the
// screenshot folder; returns the path.
std::string SaveScreenshot(const std::string& name);
// The colour at the centre of the window on the screen.
COLORREF CentreColour(HWND window);

// Runs main's tests on a desktop of their own ("nerro-e2e", 800 x 600):
// when this process is on another desktop it starts itself again through
// Wine's explorer on that desktop, waits for it and returns its exit code
// (true in *relaunched); otherwise returns -1 and the caller runs the tests,
// then reports their result with ReportResult.
int RunOnTestDesktop(int argc, char** argv, bool* relaunched);
void ReportResult(int exitCode);

// ---- Template ------------------------------------------------------------------

template <class Test>
HWND WaitForDialog(DWORD processId, Test test) {
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 100) {
        for (HWND dialog : VisibleDialogs(processId))
            if (test(dialog)) return dialog;
        Sleep(100);
    }
    return nullptr;
}

}  // namespace e2e
