#include "ui/bitmap_view.h"

#include <vector>

#include "ui/offscreen_dc.h"
#include "ui/picture_loader.h"

CBitmapView::CBitmapView() : background_(GetSysColor(COLOR_BTNFACE)) {}

// ---- Decoding --------------------------------------------------------------

bool CBitmapView::SetBitmap(const uint8_t* bytes, size_t size) {
    picture_.Reset();
    bitmap_ = nullptr;
    size_ = SIZE{0, 0};

    CGlobalMemory memory(bytes, size);
    CComPtr<IStream> stream;
    if (memory && SUCCEEDED(CreateStreamOnHGlobal(memory.Get(), TRUE, stream.Receive())))
        memory.Release();  // the stream frees it on release
    CComPtr<IPicture> picture;
    HRESULT loaded = E_FAIL;
    if (stream)
        loaded = LoadPictureFromStream(stream.Get(), static_cast<LONG>(size), picture.Receive());
    stream.Reset();

    OLE_HANDLE handle = 0;
    short type = PICTYPE_NONE;
    if (SUCCEEDED(loaded) && picture && SUCCEEDED(picture->get_Type(&type)) &&
        type == PICTYPE_BITMAP && SUCCEEDED(picture->get_Handle(&handle)) && handle) {
        picture_ = std::move(picture);
        bitmap_ = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
        BITMAP record{};
        if (GetObject(bitmap_, sizeof record, &record))
            size_ = SIZE{record.bmWidth, record.bmHeight};
    }
    if (!IsEmpty()) InvalidateRect(Handle(), nullptr, TRUE);
    if (!bitmap_) MessageBoxA(nullptr, "Image load error", "Error", MB_OK);
    return bitmap_ != nullptr;
}

// ---- Painting --------------------------------------------------------------

void CBitmapView::Paint(CDC& dc, const RECT& client) const {
    COffscreenDC offscreen(dc, &client, false);
    offscreen.FillSolidRect(client, background_);
    if (bitmap_) DrawBitmap(offscreen, client);
}

void CBitmapView::DrawBitmap(CDC& dc, const RECT& destination) const {
    CMemoryDC memory(dc.Handle());
    if (!memory.Handle()) return;
    CSelectObject selected(memory.Handle(), bitmap_);
    // A device-dependent bitmap answers with its BITMAP part only: the
    // header fields below stay zero.
    DIBSECTION record{};
    if (!GetObject(bitmap_, sizeof record, &record)) return;

    int width = destination.right - destination.left;
    int height = destination.bottom - destination.top;
    const BITMAP& source = record.dsBm;
    dc.SetStretchBltMode(COLORONCOLOR);
    if (dc.GetDeviceCaps(RASTERCAPS) & RC_PALETTE) {
        CPalette palette(CreateBitmapPalette(memory.Handle(), record, dc.Handle()));
        CSelectPalette selectedPalette(dc.Handle(), palette.Get());
        dc.StretchBlt(destination.left, destination.top, width, height, memory.Handle(), 0, 0,
                      source.bmWidth, source.bmHeight, SRCCOPY);
        return;
    }
    dc.StretchBlt(destination.left, destination.top, width, height, memory.Handle(), 0, 0,
                  source.bmWidth, source.bmHeight, SRCCOPY);
}

HPALETTE CreateBitmapPalette(HDC memory, const DIBSECTION& bitmap, HDC target) {
    unsigned colours = bitmap.dsBmih.biClrUsed;
    if (colours == 0) {
        unsigned bits = bitmap.dsBm.bmBitsPixel;
        colours = bits < 32 ? 1u << bits : 0xFFFFFFFFu;
    }
    if (colours <= 256) {
        std::vector<RGBQUAD> table(colours);
        UINT read = GetDIBColorTable(memory, 0, colours, table.data());
        if (read > 0) {
            std::vector<BYTE> storage(sizeof(LOGPALETTE) + read * sizeof(PALETTEENTRY));
            auto* palette = reinterpret_cast<LOGPALETTE*>(storage.data());
            palette->palVersion = 0x300;
            palette->palNumEntries = static_cast<WORD>(read);
            for (UINT i = 0; i < read; ++i)
                palette->palPalEntry[i] =
                    PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
            return CreatePalette(palette);
        }
    }
    return CreateHalftonePalette(target);
}
