#include "tests/ui/ui_test_support.h"

#include <cstdio>

#include "tests/ui/widget_test_ids.h"

SysColorOverride::SysColorOverride(std::vector<std::pair<int, COLORREF>> colours) {
    std::vector<COLORREF> values;
    for (const auto& [element, colour] : colours) {
        elements_.push_back(element);
        previous_.push_back(GetSysColor(element));
        values.push_back(colour);
    }
    SetSysColors(static_cast<int>(elements_.size()), elements_.data(), values.data());
}

SysColorOverride::~SysColorOverride() {
    SetSysColors(static_cast<int>(elements_.size()), elements_.data(), previous_.data());
}

PixelCanvas::PixelCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_.Reset(CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_.Get());
    Fill(fill);
}

PixelCanvas::~PixelCanvas() {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
}

COLORREF PixelCanvas::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    GdiFlush();
    uint32_t pixel = bits_[static_cast<size_t>(y) * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

void PixelCanvas::Fill(COLORREF colour) {
    CDC dc(dc_);
    dc.FillSolidRect(Rect(), colour);
}

void PixelCanvas::CopyFromWindow(HWND window) {
    CClientDC source(window);
    BitBlt(dc_, 0, 0, width_, height_, source.Handle(), 0, 0, SRCCOPY);
}

std::string ColorText(COLORREF colour) {
    if (colour == CLR_INVALID) return "(outside)";
    char text[32];
    std::snprintf(text, sizeof text, "(%d,%d,%d)", GetRValue(colour), GetGValue(colour),
                  GetBValue(colour));
    return text;
}

::testing::AssertionResult SameColor(COLORREF expected, COLORREF actual) {
    if (expected == actual) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "expected " << ColorText(expected) << ", got " << ColorText(actual);
}

WidgetTestDialog::WidgetTestDialog() : CDialog(IDD_WIDGET_TEST) {}

void WidgetTestDialog::DoDataExchange(CDataExchange& exchange) {
    exchange.Control(IDC_INSTALL, install);
    exchange.Control(IDC_EXIT, exit);
    exchange.Control(IDC_BROWSE, browse);
    exchange.Control(IDC_DISABLED_BUTTON, disabled);
    exchange.Control(IDC_TITLE_LINE, title);
    exchange.Control(IDC_NOTICE_LINE, notice);
    exchange.Control(IDC_CENTRED_LINE, centred);
    exchange.Control(IDC_TILDE_LINE, tilde);
    exchange.Control(IDC_EMPTY_LINE, empty);
    exchange.Control(IDC_LOGO, logo);
    exchange.Text(IDC_PATH, path);
}

namespace {
std::unique_ptr<SysColorOverride> testColours;
}

void WidgetDialogTest::SetUpTestSuite() {
    testColours = std::make_unique<SysColorOverride>(
        std::vector<std::pair<int, COLORREF>>{{COLOR_BTNFACE, kTestFace},
                                              {COLOR_BTNSHADOW, kTestShadow},
                                              {COLOR_BTNHIGHLIGHT, kTestHighlight},
                                              {COLOR_3DDKSHADOW, kTestDarkShadow},
                                              {COLOR_BTNTEXT, kTestText}});
}

void WidgetDialogTest::TearDownTestSuite() {
    testColours.reset();
}

WidgetDialogTest::WidgetDialogTest() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    EXPECT_TRUE(dialog.Create());
    PumpMessages();
}

void WidgetDialogTest::ShowDialog() {
    dialog.ShowWindow(SW_SHOWNOACTIVATE);
    dialog.UpdateWindow();
    PumpMessages();
}

WidgetDialogTest::~WidgetDialogTest() {
    dialog.EndDialog(IDCANCEL);
    PumpMessages();
}

void PixelBox::Add(int x, int y) {
    if (x < left) left = x;
    if (x > right) right = x;
    if (y < top) top = y;
    if (y > bottom) bottom = y;
}

PixelBox DiffBox(const PixelCanvas& a, const PixelCanvas& b) {
    PixelBox box;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.At(x, y) != b.At(x, y)) box.Add(x, y);
    return box;
}

PixelBox ColorBox(const PixelCanvas& canvas, COLORREF colour, const RECT& within) {
    PixelBox box;
    for (int y = within.top; y < within.bottom; ++y)
        for (int x = within.left; x < within.right; ++x)
            if (canvas.At(x, y) == colour) box.Add(x, y);
    return box;
}

bool SamePixels(const PixelCanvas& a, const PixelCanvas& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() && DiffBox(a, b).Empty();
}

void PrintClient(HWND window, PixelCanvas& canvas) {
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
}

void Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageA(window, message, wParam, lParam);
    // Posted messages come before generated timer messages: this is ours.
    MSG posted;
    if (PeekMessageA(&posted, window, message, message, PM_REMOVE)) DispatchMessageA(&posted);
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void PumpMessagesFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        PumpMessages();
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

namespace {

struct OwnWindowSearch {
    const char* caption;
    HWND found;
};

BOOL CALLBACK matchOwnWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<OwnWindowSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    if (process != GetCurrentProcessId() || std::string(text) != search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND WaitForOwnWindow(const char* caption, DWORD timeout) {
    OwnWindowSearch search{caption, nullptr};
    DWORD start = GetTickCount();
    while (!search.found && GetTickCount() - start < timeout) {
        EnumWindows(matchOwnWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(20);
    }
    return search.found;
}
