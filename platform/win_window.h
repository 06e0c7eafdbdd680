// CWindow: a window handle and the window operations the installer uses.
//
// It holds only the HWND and never destroys the window; each method is one
// Win32 call on that handle (wide functions; texts are UTF-8 std::strings, platform/win_text.h). Copying a
// CWindow copies the handle. A CWindow without a handle is "empty".
#pragma once

#include <string>

#include "platform/win_sdk.h"

class CWindow {
public:
    CWindow() = default;
    explicit CWindow(HWND window) : hwnd_(window) {}

    HWND Handle() const { return hwnd_; }
    bool IsEmpty() const { return hwnd_ == nullptr; }
    // Sets or clears the handle; the window itself is not touched.
    void Attach(HWND window) { hwnd_ = window; }
    HWND Detach();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessage(hwnd_, message, wParam, lParam);
    }
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessage(hwnd_, message, wParam, lParam) != FALSE;
    }

    // The whole window text (any length); empty for an empty CWindow.
    std::string GetWindowText() const;
    void SetWindowText(const std::string& text) const;

    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(hwnd_); }
    HWND GetParent() const { return ::GetParent(hwnd_); }
    // The registered class name ("Button", "SysListView32"...).
    std::string GetClassName() const;

    DWORD GetStyle() const { return static_cast<DWORD>(GetWindowLong(hwnd_, GWL_STYLE)); }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
    bool IsWindowVisible() const { return ::IsWindowVisible(hwnd_) != FALSE; }
    bool IsIconic() const { return ::IsIconic(hwnd_) != FALSE; }
    void EnableWindow(bool enable) const { ::EnableWindow(hwnd_, enable); }
    void ShowWindow(int command) const { ::ShowWindow(hwnd_, command); }

    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    // Invalidates the whole client area (null rect) or rect.
    void Invalidate(bool erase = true) const { InvalidateRect(hwnd_, nullptr, erase); }
    void UpdateWindow() const { ::UpdateWindow(hwnd_); }

    bool SetTimer(UINT_PTR id, UINT milliseconds) const {
        return ::SetTimer(hwnd_, id, milliseconds, nullptr) != 0;
    }
    void KillTimer(UINT_PTR id) const { ::KillTimer(hwnd_, id); }

    // The font the window draws with (WM_GETFONT); null for the system font.
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, bool redraw = true) const {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }

    void SetIcon(HICON icon, bool big) const {
        SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }

private:
    HWND hwnd_ = nullptr;
};
