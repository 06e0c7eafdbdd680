// Device contexts.
//
// CDC borrows a device context: it never releases or deletes it, and its
// operations are the GDI calls of the same name (wide, text given in UTF-8). The derived
// classes own theirs for a scope:
//   CPaintDC   - BeginPaint in the constructor, EndPaint in the destructor
//                (only inside WM_PAINT);
//   CClientDC  - GetDC / ReleaseDC of a window's client area;
//   CMemoryDC  - CreateCompatibleDC / DeleteDC; whatever is selected into it
//                must be selected out (CSelectObject) before it ends.
#pragma once

#include <string>

#include "platform/win_sdk.h"

class CDC {
public:
    CDC() = default;
    explicit CDC(HDC dc) : dc_(dc) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC() = default;

    HDC Handle() const { return dc_; }

    // Fills rect with colour; the background colour is left as it was.
    void FillSolidRect(const RECT& rect, COLORREF colour);
    void FillSolidRect(int x, int y, int width, int height, COLORREF colour);
    // A one-pixel frame just inside rect: top and left edges in topLeft,
    // right and bottom edges in bottomRight. The top edge stops one pixel
    // before the right edge and the left edge one pixel above the bottom
    // edge, which run the full width and height.
    void Draw3dRect(const RECT& rect, COLORREF topLeft, COLORREF bottomRight);

    // Text at (x, y) with the current alignment, colours and font.
    void TextOut(int x, int y, const std::string& text);
    // DrawText on rect with format (DT_...); rect changes only with
    // DT_CALCRECT. Returns the text height.
    int DrawText(const std::string& text, RECT& rect, UINT format);

    COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(dc_, colour); }
    COLORREF GetTextColor() const { return ::GetTextColor(dc_); }
    COLORREF SetBkColor(COLORREF colour) { return ::SetBkColor(dc_, colour); }
    COLORREF GetBkColor() const { return ::GetBkColor(dc_); }
    // TRANSPARENT or OPAQUE; returns the previous mode.
    int SetBkMode(int mode) { return ::SetBkMode(dc_, mode); }
    int SetStretchBltMode(int mode) { return ::SetStretchBltMode(dc_, mode); }

    // Selects object; returns the previous one (see CSelectObject for a scope).
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(dc_, object); }

    // The smallest rectangle around the area that can be drawn, in logical
    // coordinates. Returns the region type (NULLREGION, SIMPLEREGION...).
    int GetClipBox(RECT& rect) const { return ::GetClipBox(dc_, &rect); }
    int IntersectClipRect(const RECT& rect);
    // Moves the logical origin: (x, y) becomes the device's top-left corner.
    void SetWindowOrg(int x, int y) { SetWindowOrgEx(dc_, x, y, nullptr); }

    bool BitBlt(int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                DWORD rop);
    bool StretchBlt(int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                    int sourceWidth, int sourceHeight, DWORD rop);

    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(dc_, index); }

protected:
    void AttachHandle(HDC dc) { dc_ = dc; }

private:
    HDC dc_ = nullptr;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND window);
    ~CPaintDC() override;
    const PAINTSTRUCT& PaintStruct() const { return paint_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
};

class CClientDC : public CDC {
public:
    // The whole screen when window is null.
    explicit CClientDC(HWND window);
    ~CClientDC() override;

private:
    HWND window_;
};

class CMemoryDC : public CDC {
public:
    // A memory context compatible with target (the screen when null). Check
    // Handle() for failure.
    explicit CMemoryDC(HDC target);
    ~CMemoryDC() override;
};
