#include "platform/win_app.h"

#include "platform/win_sdk.h"

namespace {
CWinApp* application = nullptr;
}

CWinApp::CWinApp() {
    application = this;
}

CWinApp::~CWinApp() {
    if (application == this) application = nullptr;
}

CWinApp* CWinApp::Get() {
    return application;
}

int CWinApp::Run() {
    if (!InitInstance()) return ExitInstance(0);

    MSG message;
    int exitCode = 0;
    for (;;) {
        BOOL got = GetMessage(&message, nullptr, 0, 0);
        if (got == 0) {
            exitCode = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1) break;
        HWND main = GetMainWindow();
        if (main && IsDialogMessage(main, &message)) continue;
        TranslateMessage(&message);
        DispatchMessage(&message);
    }
    return ExitInstance(exitCode);
}
