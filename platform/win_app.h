// CWinApp: the application object.
//
// A program has exactly one, usually a global of a derived class that
// overrides InitInstance. Its WinMain is one line:
//     int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return CWinApp::Get()->Run(); }
// Run calls InitInstance and, only when that returns true, runs the message
// loop until WM_QUIT. The common control classes are registered by the
// first dialog (common_controls.h), so a run that shows none never loads them. A program whose InitInstance runs a modal
// dialog and returns false ends when the dialog ends; the dialog's modal loop
// is then the program's only message loop.
//
// The classic framework's control-container and 3-D-control switches have no
// counterpart here: dialogs get the system's 3-D look as they are.
#pragma once

#include "platform/win_sdk.h"
#include "platform/win_window.h"

class CWinApp {
public:
    // Becomes the process's application object (the last one constructed).
    CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // The application object, or null when there is none.
    static CWinApp* Get();

    // Start-up. Returns true to enter the message loop, false to end.
    virtual bool InitInstance() { return false; }
    // Clean-up; its result is Run's result. The default returns exitCode.
    virtual int ExitInstance(int exitCode) { return exitCode; }

    // Runs the program as described above; returns ExitInstance's result
    // (the WM_QUIT code, or 0 when InitInstance returned false).
    int Run();

    // The main window: it owns the modal dialogs started without an owner.
    // The object is kept (not owned), so a dialog can be named before its
    // window exists: SetMainWindow(&dialog); dialog.DoModal();
    void SetMainWindow(const CWindow* window) { mainWindow_ = window; }
    // The main window's handle, or null (none set, or its window not open).
    HWND GetMainWindow() const { return mainWindow_ ? mainWindow_->Handle() : nullptr; }

    HINSTANCE Instance() const { return GetModuleHandle(nullptr); }

private:
    const CWindow* mainWindow_ = nullptr;
};
