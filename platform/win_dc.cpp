#include "platform/win_dc.h"

#include "platform/win_text.h"

void CDC::FillSolidRect(const RECT& rect, COLORREF colour) {
    // An opaque empty text paints the rectangle in the background colour:
    // no brush to create, and the colour is put back afterwards.
    COLORREF previous = ::SetBkColor(dc_, colour);
    ExtTextOut(dc_, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(dc_, previous);
}

void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF colour) {
    RECT rect{x, y, x + width, y + height};
    FillSolidRect(rect, colour);
}

void CDC::Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight) {
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    FillSolidRect(rect.left, rect.top, width - 1, 1, topLeft);
    FillSolidRect(rect.left, rect.top, 1, height - 1, topLeft);
    FillSolidRect(rect.right - 1, rect.top, 1, height, bottomRight);
    FillSolidRect(rect.left, rect.bottom - 1, width, 1, bottomRight);
}

void CDC::TextOut(int x, int y, const std::string& text) {
    const std::wstring wide = Wide(text);
    ::TextOut(dc_, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

int CDC::DrawText(const std::string& text, RECT& rect, UINT format) {
    const std::wstring wide = Wide(text);
    return ::DrawText(dc_, wide.c_str(), static_cast<int>(wide.size()), &rect, format);
}

int CDC::IntersectClipRect(const RECT& rect) {
    return ::IntersectClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom);
}

bool CDC::BitBlt(int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                 DWORD rop) {
    return ::BitBlt(dc_, x, y, width, height, source, sourceX, sourceY, rop) != FALSE;
}

bool CDC::StretchBlt(int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                     int sourceWidth, int sourceHeight, DWORD rop) {
    return ::StretchBlt(dc_, x, y, width, height, source, sourceX, sourceY, sourceWidth,
                        sourceHeight, rop) != FALSE;
}

CPaintDC::CPaintDC(HWND window) : window_(window) {
    AttachHandle(BeginPaint(window, &paint_));
}

CPaintDC::~CPaintDC() {
    EndPaint(window_, &paint_);
}

CClientDC::CClientDC(HWND window) : window_(window) {
    AttachHandle(GetDC(window));
}

CClientDC::~CClientDC() {
    if (Handle()) ReleaseDC(window_, Handle());
}

CMemoryDC::CMemoryDC(HDC target) {
    AttachHandle(CreateCompatibleDC(target));
}

CMemoryDC::~CMemoryDC() {
    if (Handle()) DeleteDC(Handle());
}
