// The bevel line by pixels: the etched rows, the gap the caption cuts into
// the line for each alignment, the "~" prefix, and the engraved caption of a
// disabled control.
#include "ui/bevel_line.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win_dc.h"
#include "platform/win_handles.h"
#include "platform/win_sdk.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/widget_test_ids.h"

namespace {

TEST(BevelLineCaptionTest, TildeAndMargins) {
    struct Case {
        const char* caption;
        int alignment;
        const char* shown;
    };
    const Case cases[] = {
        {"~Tilde", SS_LEFT, "Tilde  "}, {"Centred", SS_CENTER, "  Centred  "},
        {"Title", SS_RIGHT, "  Title"}, {"~~Two", SS_LEFT, "~Two  "},
        {"a~b", SS_RIGHT, "  a~b"},     {"~", SS_CENTER, "    "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BevelLineCaption(c.caption, c.alignment), c.shown);
}

class BevelLineTest : public WidgetDialogTest {
protected:
    // The control rendered into a canvas of its client size.
    std::unique_ptr<PixelCanvas> Render(const CWindow& control) {
        RECT client = control.GetClientRect();
        auto canvas = std::make_unique<PixelCanvas>(client.right, client.bottom);
        PrintClient(control.Handle(), *canvas);
        return canvas;
    }
    // Width of the caption as the control shows it, in the control's font.
    int CaptionWidth(const CWindow& control, int alignment) {
        CClientDC screen(nullptr);
        CSelectObject font(screen.Handle(), control.GetFont());
        RECT measured{0, 0, 0, 10};
        screen.DrawText(BevelLineCaption(control.GetWindowText(), alignment), measured,
                         DT_CALCRECT | DT_NOCLIP | DT_SINGLELINE);
        return measured.right - measured.left;
    }
};

TEST_F(BevelLineTest, TheLineIsTwoEtchedRowsThroughTheMiddle) {
    HWND raisedWindow = CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_LEFT, 0, 0, 150, 11,
                                        dialog.Handle(), nullptr, nullptr, nullptr);
    CBevelLine raised(false);
    ASSERT_TRUE(raised.SubclassWindow(raisedWindow));
    struct Case {
        const char* name;
        CBevelLine& line;
        COLORREF upper;
        COLORREF lower;
    };
    for (const Case& c : {Case{"sunken", dialog.empty, kTestShadow, kTestHighlight},
                          Case{"raised", raised, kTestHighlight, kTestShadow}}) {
        SCOPED_TRACE(c.name);
        auto canvas = Render(c.line);
        int width = canvas->Width();
        int middle = canvas->Height() / 2;
        for (int y = 0; y < canvas->Height(); ++y) {
            for (int x = 0; x < width; ++x) {
                COLORREF expected = kTestFace;
                if (y == middle) expected = x < width - 1 ? c.upper : c.lower;
                if (y == middle + 1) expected = c.lower;
                ASSERT_TRUE(SameColor(expected, canvas->At(x, y))) << x << "," << y;
            }
        }
    }
}

TEST_F(BevelLineTest, CaptionCutsTheLineWhereItsAlignmentPutsIt) {
    struct Case {
        const char* name;
        CBevelLine& line;
        int alignment;
    };
    for (const Case& c :
         {Case{"left", dialog.tilde, SS_LEFT}, Case{"centred", dialog.centred, SS_CENTER},
          Case{"right", dialog.title, SS_RIGHT}}) {
        SCOPED_TRACE(c.name);
        RECT client = c.line.GetClientRect();
        PixelCanvas canvas(client.right, client.bottom);
        SetBkColor(canvas.Dc(), RGB(1, 1, 1));
        PrintClient(c.line.Handle(), canvas);
        EXPECT_EQ(GetBkColor(canvas.Dc()), RGB(1, 1, 1)) << "background colour restored";

        int width = canvas.Width();
        int middle = canvas.Height() / 2;
        int gapStart = -1;
        int gapEnd = -1;
        for (int x = 0; x < width - 1; ++x) {
            if (canvas.At(x, middle) == kTestShadow) continue;
            if (gapStart < 0) gapStart = x;
            gapEnd = x;
        }
        int w = CaptionWidth(c.line, c.alignment);
        int expectedStart = c.alignment == SS_LEFT     ? 10
                            : c.alignment == SS_CENTER ? (width - w) / 2
                                                       : width - 10 - w - 1;
        int expectedEnd = c.alignment == SS_RIGHT ? width - 11 : expectedStart + w - 1;
        EXPECT_EQ(gapStart, expectedStart) << "caption width " << w << " of " << width;
        EXPECT_EQ(gapEnd, expectedEnd) << "caption width " << w << " of " << width;
        // The lower row is cut in the same place.
        EXPECT_NE(canvas.At(gapStart, middle + 1), kTestHighlight);
        EXPECT_TRUE(SameColor(kTestHighlight, canvas.At(gapStart - 1, middle + 1)));
    }
}

TEST_F(BevelLineTest, ALeadingTildeIsNotShown) {
    auto withTilde = Render(dialog.tilde);
    dialog.tilde.SetWindowText("Tilde");
    auto plain = Render(dialog.tilde);
    EXPECT_TRUE(SamePixels(*withTilde, *plain));
    dialog.tilde.SetWindowText("~~Tilde");
    auto twoTildes = Render(dialog.tilde);
    EXPECT_FALSE(SamePixels(*twoTildes, *plain)) << "only one tilde goes";
}

TEST_F(BevelLineTest, DisabledCaptionIsEngravedAndEnabledUsesButtonText) {
    const COLORREF grey = RGB(96, 96, 96);  // mean of dark shadow and shadow
    CBevelLine& line = dialog.title;        // disabled in the template
    ASSERT_FALSE(line.IsWindowEnabled());
    // The dialog's font without smoothing: where the system smooths text
    // (as Wine does once a font is linked for East Asian letters), edge
    // pixels blend and would hide where the text and its copy lie.
    const HFONT dialogFont = line.GetFont();
    LOGFONTW face{};
    ASSERT_NE(GetObjectW(dialogFont, sizeof face, &face), 0);
    face.lfQuality = NONANTIALIASED_QUALITY;
    HFONT crisp = CreateFontIndirectW(&face);
    ASSERT_NE(crisp, nullptr);
    line.SetFont(crisp);
    auto disabled = Render(line);
    line.EnableWindow(true);
    auto enabled = Render(line);
    RECT all = disabled->Rect();
    EXPECT_TRUE(ColorBox(*enabled, grey, all).Empty());
    EXPECT_TRUE(ColorBox(*disabled, kTestText, all).Empty());

    // The grey text lies where the enabled text lies; the highlight copy one
    // pixel right and down shows beside it.
    int middle = disabled->Height() / 2;
    int greyPixels = 0;
    int lightPixels = 0;
    for (int y = 0; y < disabled->Height(); ++y) {
        if (y == middle || y == middle + 1) continue;  // the line's own rows
        for (int x = 0; x < disabled->Width(); ++x) {
            bool text = enabled->At(x, y) == kTestText;
            EXPECT_EQ(disabled->At(x, y) == grey, text) << x << "," << y;
            greyPixels += text;
            if (disabled->At(x, y) != kTestHighlight) continue;
            ++lightPixels;
            EXPECT_EQ(enabled->At(x - 1, y - 1), kTestText)
                << "highlight off the text " << x << "," << y;
        }
    }
    EXPECT_GT(greyPixels, 10);
    EXPECT_GT(lightPixels, 10);
    line.SetFont(dialogFont);
    DeleteObject(crisp);
}

TEST_F(BevelLineTest, OnScreenItPaintsWhatItPrints) {
    ShowDialog();
    auto printed = Render(dialog.notice);
    PixelCanvas screen(printed->Width(), printed->Height());
    screen.CopyFromWindow(dialog.notice.Handle());
    EXPECT_TRUE(SamePixels(*printed, screen));
}

TEST_F(BevelLineTest, EraseBackgroundDrawsNothing) {
    struct Case {
        const char* name;
        HWND window;
    };
    for (const Case& c :
         {Case{"bevel line", dialog.centred.Handle()}, Case{"button", dialog.install.Handle()},
          Case{"logo", dialog.logo.Handle()}}) {
        PixelCanvas canvas(40, 20, RGB(1, 2, 3));
        EXPECT_NE(SendMessageA(c.window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0),
                  0)
            << c.name;
        PixelCanvas untouched(40, 20, RGB(1, 2, 3));
        EXPECT_TRUE(SamePixels(canvas, untouched)) << c.name;
    }
}

// The dialog's font shows Cyrillic, Greek, Japanese and Chinese catalogue
// texts: each renders otherwise than letters no font has (private-use ones,
// drawn as the font's missing-letter boxes). The East Asian letters come
// through the dialog font's links to a font that has them (on Windows its
// own East Asian fonts; in the test prefix WenQuanYi Micro Hei).
TEST_F(BevelLineTest, DialogFontShowsEveryScriptOfTheCatalogues) {
    const HFONT font = dialog.centred.GetFont();
    ASSERT_NE(font, nullptr);
    auto draw = [&](const std::string& text) {
        auto canvas = std::make_unique<PixelCanvas>(120, 24, RGB(255, 255, 255));
        CDC dc(canvas->Dc());
        CSelectObject selected(dc.Handle(), font);
        dc.SetTextColor(RGB(0, 0, 0));
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(2, 2, text);
        return canvas;
    };
    const auto missing = draw(u8"\uE000\uE001\uE002");
    const auto blank = draw("");
    for (const char* text : {u8"Жяф", u8"Ωλψ", u8"インス", u8"安装程"}) {
        const auto shown = draw(text);
        EXPECT_FALSE(SamePixels(*shown, *blank)) << text << ": nothing drawn";
        EXPECT_FALSE(SamePixels(*shown, *missing)) << text << ": drawn as missing-letter boxes";
    }
}

}  // namespace
