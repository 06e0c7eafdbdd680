// CBitmapView: the logo control. It decodes a picture file's bytes with
// the system's OLE picture loader (BMP, and whatever else OleLoadPicture
// reads; bound at run time, see picture_loader.h), keeps the picture, and paints it stretched over its whole client
// area (aspect ratio not kept) on the background colour, through an
// off-screen buffer so that it never flickers. On a palette device the
// bitmap is drawn through its own colour table (up to 256 colours) or the
// halftone palette.
//
// Bytes that do not decode show the message box "Image load error" (caption
// "Error", no owner) and leave the view empty: background only.
// Bind it to a static control with SubclassWindow or CDataExchange::Control.
// User-interface thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_controls.h"
#include "platform/win_dc.h"
#include "platform/win_handles.h"
#include "platform/win_sdk.h"
#include "ui/self_painted_static.h"

class CBitmapView : public CSelfPaintedStatic {
public:
    // The background is the system button face at construction.
    CBitmapView();

    // Replaces the logo by the picture in bytes (copied; the caller keeps
    // them) and repaints the whole view. Returns false after the message box
    // when they do not decode; the view is then empty.
    bool SetBitmap(const uint8_t* bytes, size_t size);

    bool HasBitmap() const { return bitmap_ != nullptr; }
    // Size of the decoded bitmap in pixels (0 x 0 when there is none).
    SIZE BitmapSize() const { return size_; }
    COLORREF BackgroundColor() const { return background_; }

    void Paint(CDC& dc, const RECT& client) const override;

private:
    void DrawBitmap(CDC& dc, const RECT& destination) const;

    // The decoded picture owns the bitmap; bitmap_ is its handle.
    CComPtr<IPicture> picture_;
    HBITMAP bitmap_ = nullptr;
    SIZE size_{0, 0};
    COLORREF background_;
};

// The palette to draw bitmap (selected into memory) through on a palette
// device: a logical palette of its colour table when it has at most 256
// colours, else (or when the table cannot be read) the halftone palette of
// target. The caller owns the palette.
HPALETTE CreateBitmapPalette(HDC memory, const DIBSECTION& bitmap, HDC target);
