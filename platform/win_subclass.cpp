#include "platform/win_subclass.h"

CSubclassedWindow::~CSubclassedWindow() {
    UnsubclassWindow();
}

bool CSubclassedWindow::SubclassWindow(HWND window) {
    if (!window || !IsEmpty() || FromHandle(window)) return false;
    Attach(window);
    PreSubclassWindow();
    SetWindowLongPtr(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    originalProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
    if (!originalProc_) {
        SetWindowLongPtr(window, GWLP_USERDATA, 0);
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
    SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc_));
    SetWindowLongPtr(window, GWLP_USERDATA, 0);
    originalProc_ = nullptr;
    return Detach();
}

CSubclassedWindow* CSubclassedWindow::FromHandle(HWND window) {
    // GWLP_USERDATA belongs to whoever owns the window procedure: trust it
    // only while our procedure is the window's.
    if (!window) return nullptr;
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(window, GWLP_WNDPROC));
    if (proc != &WindowProc) return nullptr;
    return reinterpret_cast<CSubclassedWindow*>(GetWindowLongPtr(window, GWLP_USERDATA));
}

LRESULT CSubclassedWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandling(message, wParam, lParam);
}

LRESULT CSubclassedWindow::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= kReflectedMessageBase && message < kReflectedMessageBase + WM_USER) return 0;
    return CallWindowProc(originalProc_, Handle(), message, wParam, lParam);
}

LRESULT CALLBACK CSubclassedWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    auto* self = reinterpret_cast<CSubclassedWindow*>(GetWindowLongPtr(window, GWLP_USERDATA));
    if (!self) return DefWindowProc(window, message, wParam, lParam);
    if (message != WM_NCDESTROY) return self->HandleMessage(message, wParam, lParam);
    // The window goes: let its own procedure finish, then forget it.
    WNDPROC original = self->originalProc_;
    self->UnsubclassWindow();
    return CallWindowProc(original, window, message, wParam, lParam);
}
