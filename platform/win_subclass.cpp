#include "platform/win_subclass.h"

CSubclassedWindow::~CSubclassedWindow() {
    UnsubclassWindow();
}

bool CSubclassedWindow::SubclassWindow(HWND window) {
    if (!window || !IsEmpty() || FromHandle(window)) return false;
    Attach(window);
    PreSubclassWindow();
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    originalProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
    if (!originalProc_) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        Detach();
        return false;
    }
    return true;
}

bool CSubclassedWindow::SubclassDlgItem(int id, HWND parent) {
    return SubclassWindow(::GetDlgItem(parent, id));
}

HWND CSubclassedWindow::UnsubclassWindow() {
    if (!originalProc_) return nullptr;
    HWND window = Handle();
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc_));
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    originalProc_ = nullptr;
    return Detach();
}

CSubclassedWindow* CSubclassedWindow::FromHandle(HWND window) {
    // GWLP_USERDATA belongs to whoever owns the window procedure: trust it
    // only while our procedure is the window's.
    if (!window) return nullptr;
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (proc != &WindowProc) return nullptr;
    return reinterpret_cast<CSubclassedWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CSubclassedWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandling(message, wParam, lParam);
}

LRESULT CSubclassedWindow::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= kReflectedMessageBase && message < kReflectedMessageBase + WM_USER) return 0;
    return CallWindowProcA(originalProc_, Handle(), message, wParam, lParam);
}

LRESULT CALLBACK CSubclassedWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    auto* self = reinterpret_cast<CSubclassedWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    if (message != WM_NCDESTROY) return self->HandleMessage(message, wParam, lParam);
    // The window goes: let its own procedure finish, then forget it.
    WNDPROC original = self->originalProc_;
    self->UnsubclassWindow();
    return CallWindowProcA(original, window, message, wParam, lParam);
}
