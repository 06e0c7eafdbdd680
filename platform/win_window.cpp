#include "platform/win_window.h"

#include <utility>

HWND CWindow::Detach() {
    return std::exchange(hwnd_, nullptr);
}

std::string CWindow::GetWindowTextA() const {
    if (!hwnd_) return {};
    int length = GetWindowTextLengthA(hwnd_);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(hwnd_, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

std::string CWindow::GetClassNameA() const {
    char name[260] = "";
    int length = ::GetClassNameA(hwnd_, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
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
