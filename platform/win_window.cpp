#include "platform/win_window.h"

#include <utility>

#include "platform/win_text.h"

HWND CWindow::Detach() {
    return std::exchange(hwnd_, nullptr);
}

std::string CWindow::GetWindowText() const {
    if (!hwnd_) return {};
    int length = GetWindowTextLength(hwnd_);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = ::GetWindowText(hwnd_, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return Utf8(text);
}

void CWindow::SetWindowText(const std::string& text) const {
    ::SetWindowText(hwnd_, Wide(text).c_str());
}

std::string CWindow::GetClassName() const {
    wchar_t name[260] = L"";
    int length = ::GetClassName(hwnd_, name, 260);
    return Utf8(std::wstring_view(name, length > 0 ? static_cast<size_t>(length) : 0));
}

RECT CWindow::GetClientRect() const {
    RECT rect{};
    ::GetClientRect(hwnd_, &rect);
    return rect;
}

RECT CWindow::GetWindowRect() const {
    RECT rect{};
    ::GetWindowRect(hwnd_, &rect);
    return rect;
}
