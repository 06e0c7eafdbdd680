#include "platform/win_dpi.h"

UINT WindowDpi(HWND window) {
    using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        if (const UINT dpi = getDpiForWindow(window)) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

int ScaleToDpi(int pixels, UINT dpi) {
    if (pixels <= 0) return pixels;
    const int scaled = MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(kDefaultDpi));
    return scaled < 1 ? 1 : scaled;
}
