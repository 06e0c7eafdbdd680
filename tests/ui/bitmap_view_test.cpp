// The logo view: background before any picture and after bytes that do not
// decode (with its message box, closed here), a logo stretched over the
// whole client area, on screen and printed, and the palette it would use on a
// palette device.
#include "ui/bitmap_view.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/win_dc.h"
#include "platform/win_handles.h"
#include "platform/win_sdk.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/widget_test_ids.h"

namespace {

constexpr COLORREF kTopLeft = RGB(200, 0, 0);
constexpr COLORREF kTopRight = RGB(0, 200, 0);
constexpr COLORREF kBottomLeft = RGB(0, 0, 200);
constexpr COLORREF kBottomRight = RGB(200, 200, 0);

// A 100 x 200 logo in four quadrants.
std::vector<uint8_t> quadrantLogo() {
    return MakeBmpFile(100, 200, [](int x, int y) {
        if (y < 100) return x < 50 ? kTopLeft : kTopRight;
        return x < 50 ? kBottomLeft : kBottomRight;
    });
}

// Closes this process's "Error" box from a second thread and keeps its text.
class ErrorBoxCloser {
public:
    ErrorBoxCloser()
        : thread_([this] {
              HWND box = WaitForOwnWindow("Error", 10000);
              if (!box) return;
              char text[256] = "";
              if (!GetDlgItemTextA(box, 0xFFFF, text, sizeof text))
                  GetDlgItemTextA(box, 100, text, sizeof text);
              text_ = text;
              PostMessageA(box, WM_COMMAND, IDOK, 0);
              seen_ = true;
          }) {}
    ~ErrorBoxCloser() {
        if (thread_.joinable()) thread_.join();
    }
    // Waits for the thread; true when it closed a box.
    bool Closed() {
        if (thread_.joinable()) thread_.join();
        return seen_;
    }
    const std::string& Text() const { return text_; }

private:
    std::atomic<bool> seen_{false};
    std::string text_;
    std::thread thread_;
};

class BitmapViewTest : public WidgetDialogTest {
protected:
    void SetUp() override {
        // Client area of 120 x 250 pixels inside the sunken frame.
        RECT window = dialog.logo.GetWindowRect();
        RECT client = dialog.logo.GetClientRect();
        int frameX = (window.right - window.left) - client.right;
        int frameY = (window.bottom - window.top) - client.bottom;
        SetWindowPos(dialog.logo.Handle(), nullptr, 0, 0, 120 + frameX, 250 + frameY,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT resized = dialog.logo.GetClientRect();
        ASSERT_EQ(resized.right, 120);
        ASSERT_EQ(resized.bottom, 250);
    }
    void ExpectOnlyBackground(const PixelCanvas& canvas) {
        PixelBox other;
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x)
                if (canvas.At(x, y) != kTestFace) other.Add(x, y);
        EXPECT_TRUE(other.Empty())
            << "non-background pixels from " << other.left << "," << other.top;
    }
    void ExpectStretchedLogo(const PixelCanvas& canvas) {
        struct Probe {
            int x, y;
            COLORREF colour;
        };
        const Probe probes[] = {
            {0, 0, kTopLeft},         {119, 0, kTopRight},     {0, 249, kBottomLeft},
            {119, 249, kBottomRight}, {57, 122, kTopLeft},     {62, 122, kTopRight},
            {57, 128, kBottomLeft},   {62, 128, kBottomRight},
        };
        for (const Probe& p : probes)
            EXPECT_TRUE(SameColor(p.colour, canvas.At(p.x, p.y))) << p.x << "," << p.y;
    }
};

TEST_F(BitmapViewTest, BeforeAnyLogoOnlyTheBackgroundShows) {
    EXPECT_FALSE(dialog.logo.HasBitmap());
    EXPECT_TRUE(SameColor(kTestFace, dialog.logo.BackgroundColor()));
    PixelCanvas canvas(120, 250);
    PrintClient(dialog.logo.Handle(), canvas);
    ExpectOnlyBackground(canvas);
}

TEST_F(BitmapViewTest, TheLogoIsStretchedOverTheWholeClientArea) {
    std::vector<uint8_t> logo = quadrantLogo();
    ASSERT_TRUE(dialog.logo.SetBitmap(logo.data(), logo.size()));
    EXPECT_EQ(dialog.logo.BitmapSize().cx, 100);
    EXPECT_EQ(dialog.logo.BitmapSize().cy, 200);
    PixelCanvas printed(120, 250);
    PrintClient(dialog.logo.Handle(), printed);
    ExpectStretchedLogo(printed);

    ShowDialog();
    PixelCanvas screen(120, 250);
    screen.CopyFromWindow(dialog.logo.Handle());
    ExpectStretchedLogo(screen);
}

TEST_F(BitmapViewTest, UndecodableBytesShowTheErrorAndLeaveTheBackground) {
    std::vector<uint8_t> logo = quadrantLogo();
    ASSERT_TRUE(dialog.logo.SetBitmap(logo.data(), logo.size()));

    const std::string junk = "BM this is not a picture at all";
    struct Case {
        const char* name;
        const uint8_t* bytes;
        size_t size;
    };
    for (const Case& c :
         {Case{"junk", reinterpret_cast<const uint8_t*>(junk.data()), junk.size()},
          Case{"not a picture", logo.data() + 14, 200}, Case{"nothing", nullptr, 0}}) {
        SCOPED_TRACE(c.name);
        ErrorBoxCloser closer;
        EXPECT_FALSE(dialog.logo.SetBitmap(c.bytes, c.size));
        ASSERT_TRUE(closer.Closed()) << "no \"Error\" box";
        EXPECT_EQ(closer.Text(), "Image load error");
        EXPECT_FALSE(dialog.logo.HasBitmap());
        PixelCanvas canvas(120, 250);
        PrintClient(dialog.logo.Handle(), canvas);
        ExpectOnlyBackground(canvas);
    }
}

// An 8-bit DIB section with a colour table of `colours` entries (0: the
// default 256) whose entry i is (i, 2i, 255 - i).
CBitmap makeIndexedBitmap(HDC dc, unsigned colours) {
    std::vector<uint8_t> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = 4;
    info->bmiHeader.biHeight = 4;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 8;
    info->bmiHeader.biClrUsed = colours;
    for (unsigned i = 0; i < 256; ++i)
        info->bmiColors[i] =
            RGBQUAD{static_cast<BYTE>(255 - i), static_cast<BYTE>(2 * i), static_cast<BYTE>(i), 0};
    void* bits = nullptr;
    return CBitmap(CreateDIBSection(dc, info, DIB_RGB_COLORS, &bits, nullptr, 0));
}

TEST(BitmapPaletteTest, ColourTableUpTo256ElseHalftone) {
    CMemoryDC memory(nullptr);
    for (unsigned tableSize : {4u, 0u}) {  // biClrUsed; 0 means all 256
        SCOPED_TRACE(tableSize);
        CBitmap bitmap = makeIndexedBitmap(memory.Handle(), tableSize);
        ASSERT_TRUE(bitmap);
        CSelectObject selected(memory.Handle(), bitmap.Get());
        DIBSECTION record{};
        ASSERT_TRUE(GetObjectA(bitmap.Get(), sizeof record, &record));
        // The palette is the colour table as the system keeps it (Wine keeps
        // 256 entries even for a shorter table).
        RGBQUAD table[256];
        UINT tableEntries = GetDIBColorTable(memory.Handle(), 0, 256, table);
        ASSERT_GE(tableEntries, tableSize);
        CPalette palette(CreateBitmapPalette(memory.Handle(), record, memory.Handle()));
        ASSERT_TRUE(palette);
        PALETTEENTRY entries[256];
        ASSERT_EQ(GetPaletteEntries(palette.Get(), 0, 256, entries), tableEntries);
        for (unsigned i = 0; i < tableEntries; ++i) {
            EXPECT_EQ(entries[i].peRed, table[i].rgbRed) << i;
            EXPECT_EQ(entries[i].peGreen, table[i].rgbGreen) << i;
            EXPECT_EQ(entries[i].peBlue, table[i].rgbBlue) << i;
            EXPECT_EQ(entries[i].peFlags, 0) << i;
        }
        EXPECT_EQ(entries[3].peRed, 3);
        EXPECT_EQ(entries[3].peGreen, 6);
        EXPECT_EQ(entries[3].peBlue, 252);
    }

    // A true-colour bitmap has no table: the halftone palette.
    CPalette halftone(CreateHalftonePalette(memory.Handle()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = 4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    CBitmap trueColour(CreateDIBSection(memory.Handle(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    CSelectObject selected(memory.Handle(), trueColour.Get());
    DIBSECTION record{};
    ASSERT_TRUE(GetObjectA(trueColour.Get(), sizeof record, &record));
    CPalette palette(CreateBitmapPalette(memory.Handle(), record, memory.Handle()));
    ASSERT_TRUE(palette);
    UINT count = GetPaletteEntries(palette.Get(), 0, 0, nullptr);
    EXPECT_EQ(count, GetPaletteEntries(halftone.Get(), 0, 0, nullptr));
    EXPECT_GT(count, 4u);
}

}  // namespace
