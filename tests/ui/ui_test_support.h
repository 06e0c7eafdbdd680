// Helpers of the user-interface tests: system colours set for a test, a
// memory canvas whose pixels can be read, the widget test dialog with every
// widget bound, a message pump, and in-memory BMP files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win_dc.h"
#include "platform/win_dialog.h"
#include "platform/win_handles.h"
#include "platform/win_sdk.h"
#include "ui/bevel_line.h"
#include "ui/bitmap_view.h"
#include "ui/fade_button.h"

// Sets system colours for its lifetime and puts the previous ones back.
class SysColorOverride {
public:
    explicit SysColorOverride(std::vector<std::pair<int, COLORREF>> colours);
    SysColorOverride(const SysColorOverride&) = delete;
    SysColorOverride& operator=(const SysColorOverride&) = delete;
    ~SysColorOverride();

private:
    std::vector<int> elements_;
    std::vector<COLORREF> previous_;
};

// A 32-bit top-down bitmap selected into a memory context.
class PixelCanvas {
public:
    PixelCanvas(int width, int height, COLORREF fill = RGB(1, 2, 3));
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;
    ~PixelCanvas();

    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    RECT Rect() const { return RECT{0, 0, width_, height_}; }
    COLORREF At(int x, int y) const;
    void Fill(COLORREF colour);
    // Copies the client area of a visible window from the screen.
    void CopyFromWindow(HWND window);

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    CBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
    uint32_t* bits_ = nullptr;
};

std::string ColorText(COLORREF colour);
// Compares colours with a readable message.
::testing::AssertionResult SameColor(COLORREF expected, COLORREF actual);

// The widget test dialog (IDD_WIDGET_TEST), created modeless and shown, with
// every widget bound through data exchange.
class WidgetTestDialog : public CDialog {
public:
    WidgetTestDialog();

    CFadeButton install;
    CFadeButton exit;
    CFadeButton browse;
    CFadeButton disabled;
    CBevelLine title{true};
    CBevelLine notice{true};
    CBevelLine centred{true};
    CBevelLine tilde{true};
    CBevelLine empty{true};
    CBitmapView logo;
    std::string path = "C:\\Program Files\\Nerro";

protected:
    void DoDataExchange(CDataExchange& exchange) override;
};

// The colours the widget tests set: button face 212,208,200 and distinct
// shades for the rest.
constexpr COLORREF kTestFace = RGB(212, 208, 200);
constexpr COLORREF kTestShadow = RGB(128, 128, 128);
constexpr COLORREF kTestHighlight = RGB(255, 255, 255);
constexpr COLORREF kTestDarkShadow = RGB(64, 64, 64);
constexpr COLORREF kTestText = RGB(0, 0, 160);

// A test with those system colours and the widget test dialog, hidden:
// widgets draw into memory through DrawItem or WM_PRINTCLIENT. Tests that
// read the screen show it (destroying a shown window costs Wine two seconds
// on a display without a window manager).
class WidgetDialogTest : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    WidgetDialogTest();
    ~WidgetDialogTest() override;
    void ShowDialog();

    WidgetTestDialog dialog;
};

// The rectangle around the pixels where a and b differ (or, for ColorBox,
// the pixels of one colour); empty (left > right) when there are none.
struct PixelBox {
    int left = 1 << 30;
    int top = 1 << 30;
    int right = -1;  // inclusive
    int bottom = -1;
    bool Empty() const { return right < left; }
    void Add(int x, int y);
};
PixelBox DiffBox(const PixelCanvas& a, const PixelCanvas& b);
PixelBox ColorBox(const PixelCanvas& canvas, COLORREF colour, const RECT& within);
bool SamePixels(const PixelCanvas& a, const PixelCanvas& b);

// Renders a window's client area through WM_PRINTCLIENT.
void PrintClient(HWND window, PixelCanvas& canvas);
// Posts message to window and dispatches exactly that message.
void Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Dispatches every message waiting for this thread.
void PumpMessages();
// Pumps messages for the given time.
void PumpMessagesFor(DWORD milliseconds);

// A 24-bit BMP file of width x height whose pixel (x, y) (y from the top)
// has colour(x, y).
template <class ColourOf>
std::vector<uint8_t> MakeBmpFile(int width, int height, ColourOf colour);

// Finds this process's top-level window with that caption, waiting up to
// timeout milliseconds (pumping nothing: use from a helper thread).
HWND WaitForOwnWindow(const char* caption, DWORD timeout);

// ---- template implementation ---------------------------------------------

void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes);

template <class ColourOf>
std::vector<uint8_t> MakeBmpFile(int width, int height, ColourOf colour) {
    uint32_t rowSize = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    uint32_t imageSize = rowSize * static_cast<uint32_t>(height);
    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    PutLittleEndian(file, 14 + 40 + imageSize, 4);
    PutLittleEndian(file, 0, 4);
    PutLittleEndian(file, 14 + 40, 4);
    PutLittleEndian(file, 40, 4);
    PutLittleEndian(file, static_cast<uint32_t>(width), 4);
    PutLittleEndian(file, static_cast<uint32_t>(height), 4);  // bottom-up
    PutLittleEndian(file, 1, 2);
    PutLittleEndian(file, 24, 2);
    PutLittleEndian(file, 0, 4);
    PutLittleEndian(file, imageSize, 4);
    PutLittleEndian(file, 2835, 4);
    PutLittleEndian(file, 2835, 4);
    PutLittleEndian(file, 0, 4);
    PutLittleEndian(file, 0, 4);
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x) {
            COLORREF c = colour(x, row);
            file.push_back(GetBValue(c));
            file.push_back(GetGValue(c));
            file.push_back(GetRValue(c));
        }
        for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < rowSize; ++pad)
            file.push_back(0);
    }
    return file;
}
