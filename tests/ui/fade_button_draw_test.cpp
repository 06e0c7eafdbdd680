// The fading button's face, rings and caption, checked by pixels in a memory
// bitmap with the system button face at 212,208,200.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/win_sdk.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/widget_test_ids.h"
#include "ui/button_colors.h"
#include "ui/fade_button.h"
#include "ui/fade_button_face.h"

namespace {

TEST(ButtonColorTest, ShiftBlendAndFade) {
    EXPECT_TRUE(SameColor(RGB(255, 25, 153), ShiftColor(RGB(250, 0, 128), 25)));
    EXPECT_TRUE(SameColor(RGB(0, 0, 5), ShiftColor(RGB(10, 20, 30), -25)));
    EXPECT_TRUE(SameColor(RGB(6, 7, 8), ShiftColor(0x5F000000 | RGB(1, 2, 3), 5)))
        << "the top byte is dropped";
    EXPECT_TRUE(SameColor(RGB(100, 200, 0), BlendColors(RGB(100, 200, 0), RGB(0, 0, 255), 1.0)));
    EXPECT_TRUE(SameColor(RGB(0, 0, 255), BlendColors(RGB(100, 200, 0), RGB(0, 0, 255), 0.0)));
    EXPECT_TRUE(SameColor(RGB(25, 50, 191), BlendColors(RGB(100, 200, 0), RGB(0, 0, 255), 0.25)))
        << "truncated toward zero";
    EXPECT_TRUE(
        SameColor(RGB(217, 213, 205), FadeColor(RGB(217, 213, 205), RGB(237, 233, 225), 0)));
    EXPECT_TRUE(
        SameColor(RGB(225, 221, 213), FadeColor(RGB(217, 213, 205), RGB(237, 233, 225), 2)));
    EXPECT_TRUE(
        SameColor(RGB(237, 233, 225), FadeColor(RGB(217, 213, 205), RGB(237, 233, 225), 5)));
}

class FadeButtonDrawTest : public WidgetDialogTest {
protected:
    static void Draw(CFadeButton& button, PixelCanvas& canvas, UINT state) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = static_cast<UINT>(button.GetDlgCtrlID());
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = button.Handle();
        item.hDC = canvas.Dc();
        item.rcItem = canvas.Rect();
        button.DrawItem(item);
    }
    // Hover tracking as the mouse drives it: in, then `steps` fade ticks.
    static void Hover(CFadeButton& button, int steps) {
        Deliver(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
        for (int i = 0; i < steps; ++i)
            Deliver(button.Handle(), WM_TIMER, CFadeButton::kFadeTimer, 0);
        ASSERT_TRUE(button.IsHovering());
        ASSERT_EQ(button.FadeStep(), steps);
    }
};

TEST_F(FadeButtonDrawTest, FaceColoursComeFromTheSystemButtonFace) {
    EXPECT_TRUE(SameColor(RGB(217, 213, 205), dialog.install.NormalFaceColor()));
    EXPECT_TRUE(SameColor(RGB(237, 233, 225), dialog.install.HoverFaceColor()));
    // Binding made the plain push button owner-drawn.
    EXPECT_EQ(dialog.browse.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
}

struct Ring {
    bool present;
    COLORREF topLeft;
    COLORREF bottomRight;
};

struct FaceCase {
    const char* name;
    int hoverSteps;  // -1: not hovering
    UINT state;
    COLORREF light;  // the face colour + 24: the gradient's top row
    Ring rings[3];
};

TEST_F(FadeButtonDrawTest, RingsAndFillOfEachState) {
    const FaceCase cases[] = {
        {"normal",
         -1,
         0,
         RGB(241, 237, 229),
         {{true, RGB(169, 165, 157), RGB(249, 245, 237)},
          {true, RGB(255, 255, 253), RGB(153, 149, 141)},
          {false, 0, 0}}},
        {"hover",
         5,
         0,
         RGB(255, 255, 249),
         {{true, RGB(173, 169, 161), RGB(255, 255, 255)},
          {true, RGB(255, 255, 255), RGB(45, 41, 33)},
          {true, RGB(255, 255, 255), RGB(173, 169, 161)}}},
        // Two fade steps in: face 225,221,213; offsets 0.6 x normal + 0.4 x hover.
        {"fading in",
         2,
         0,
         RGB(249, 245, 237),
         {{true, RGB(171, 167, 159), RGB(255, 255, 251)},
          {true, RGB(255, 255, 255), RGB(110, 106, 98)},
          {true, RGB(244, 240, 232), RGB(200, 196, 188)}}},
        {"pressed",
         -1,
         ODS_SELECTED,
         RGB(241, 237, 229),
         {{true, RGB(153, 149, 141), RGB(255, 255, 253)},
          {true, RGB(89, 85, 77), RGB(89, 85, 77)},
          {false, 0, 0}}},
    };
    for (const FaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        // A fresh button without caption for each case.
        HWND window = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE, 0, 0, 80, 30,
                                      dialog.Handle(), nullptr, nullptr, nullptr);
        CFadeButton button;
        ASSERT_TRUE(button.SubclassWindow(window));
        if (c.hoverSteps >= 0) Hover(button, c.hoverSteps);

        PixelCanvas canvas(80, 30);
        Draw(button, canvas, c.state);
        DestroyWindow(window);
        int fillInset = 3;
        for (int k = 0; k < 3; ++k) {
            const Ring& ring = c.rings[k];
            if (!ring.present) {
                // The fill reaches out over a missing ring: the gradient's top row.
                EXPECT_TRUE(SameColor(c.light, canvas.At(40, k))) << "ring " << k + 1;
                EXPECT_TRUE(SameColor(canvas.At(40, 15), canvas.At(k, 15))) << "ring " << k + 1;
                fillInset = std::min(fillInset, k);
                continue;
            }
            EXPECT_TRUE(SameColor(ring.topLeft, canvas.At(40, k))) << "top of ring " << k + 1;
            EXPECT_TRUE(SameColor(ring.topLeft, canvas.At(k, 15))) << "left of ring " << k + 1;
            EXPECT_TRUE(SameColor(ring.bottomRight, canvas.At(79 - k, 15)))
                << "right of ring " << k + 1;
            EXPECT_TRUE(SameColor(ring.bottomRight, canvas.At(40, 29 - k)))
                << "bottom of ring " << k + 1;
        }
        EXPECT_TRUE(SameColor(c.light, canvas.At(40, fillInset))) << "top row of the fill";
    }
}

// On a screen at 144 or 192 DPI every ring is as many pixels wide as one
// pixel at 96 DPI scales to, and the fill starts inside them.
TEST(FadeButtonFaceDpi, RingsScaleWithTheDpi) {
    const FadeButtonSettings settings;  // normal row: two rings
    const COLORREF face = RGB(217, 213, 205);
    const COLORREF outer = RGB(169, 165, 157);   // normal row, ring 1 top-left
    const COLORREF inner = RGB(255, 255, 253);   // ring 2 top-left
    const COLORREF fillTop = RGB(241, 237, 229);  // the gradient's top row
    for (const UINT dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        const int width = MulDiv(1, static_cast<int>(dpi), 96);
        PixelCanvas canvas(120, 60);
        CDC dc(canvas.Dc());
        DrawFadeButtonFace(dc, canvas.Rect(), face, kFaceNormal, 0.0, settings, dpi);
        for (int x = 0; x < width; ++x) {
            EXPECT_TRUE(SameColor(outer, canvas.At(x, 30))) << "outer ring at " << x;
            EXPECT_TRUE(SameColor(inner, canvas.At(width + x, 30))) << "inner ring at " << x;
        }
        // The missing third ring is filled: the fill starts two ring widths in.
        EXPECT_TRUE(SameColor(fillTop, canvas.At(60, 2 * width)));
        EXPECT_FALSE(SameColor(inner, canvas.At(2 * width, 30)));
    }
}

TEST_F(FadeButtonDrawTest, GradientHasATopBandOnlyFromTenPixelsUp) {
    CWindow(dialog.install.Handle()).SetWindowText("");
    const COLORREF light = RGB(241, 237, 229);
    const COLORREF dark = RGB(193, 189, 181);
    // Normal face: the fill is the button less two pixels on each side.
    struct Case {
        int height;
        COLORREF firstRow;
    };
    for (const Case& c : {Case{30, light}, Case{14, light}, Case{13, dark}, Case{12, dark}}) {
        SCOPED_TRACE(c.height);
        PixelCanvas canvas(60, c.height);
        Draw(dialog.install, canvas, 0);
        int top = 2;
        int bottom = c.height - 2;  // exclusive
        int band = (bottom - top) / 10;
        EXPECT_TRUE(SameColor(c.firstRow, canvas.At(30, top)));
        EXPECT_TRUE(SameColor(dark, canvas.At(30, top + band))) << "the band ends dark";
        // From there on the rows brighten toward the bottom edge.
        for (int y = top + band + 1; y < bottom; ++y)
            EXPECT_GE(GetRValue(canvas.At(30, y)), GetRValue(canvas.At(30, y - 1))) << y;
        EXPECT_GT(GetRValue(canvas.At(30, bottom - 1)), GetRValue(dark) + 30);
    }
}

TEST_F(FadeButtonDrawTest, CaptionIsCentredAndMovesWhenPressed) {
    PixelCanvas face(120, 30), normal(120, 30), pressedFace(120, 30), pressed(120, 30);
    Draw(dialog.install, normal, 0);
    Draw(dialog.install, pressed, ODS_SELECTED);
    CWindow(dialog.install.Handle()).SetWindowText("");
    Draw(dialog.install, face, 0);
    Draw(dialog.install, pressedFace, ODS_SELECTED);

    PixelBox ink = DiffBox(normal, face);
    ASSERT_FALSE(ink.Empty()) << "no caption drawn";
    int leftMargin = ink.left;
    int rightMargin = 119 - ink.right;
    int topMargin = ink.top;
    int bottomMargin = 29 - ink.bottom;
    EXPECT_LE(std::abs(leftMargin - rightMargin), 3) << leftMargin << " vs " << rightMargin;
    EXPECT_LE(std::abs(topMargin - bottomMargin), 4) << topMargin << " vs " << bottomMargin;
    EXPECT_FALSE(ColorBox(normal, kTestText, normal.Rect()).Empty()) << "button-text colour";

    PixelBox pressedInk = DiffBox(pressed, pressedFace);
    EXPECT_EQ(pressedInk.left, ink.left + 1);
    EXPECT_EQ(pressedInk.top, ink.top + 1);
    EXPECT_EQ(pressedInk.right, ink.right + 1);
    EXPECT_EQ(pressedInk.bottom, ink.bottom + 1);
}

TEST_F(FadeButtonDrawTest, DisabledCaptionIsDrawnTwiceEngraved) {
    // Face 217,213,205: light copy +48, dark copy -80 one pixel up and left.
    const COLORREF light = RGB(255, 255, 253);
    const COLORREF dark = RGB(137, 133, 125);
    PixelCanvas enabled(120, 30), disabled(120, 30);
    Draw(dialog.disabled, enabled, 0);
    Draw(dialog.disabled, disabled, ODS_DISABLED);
    const RECT inside{3, 3, 117, 27};  // within the rings

    // Fully covered pixels keep their exact colour: the dark copy's are the
    // enabled caption's, one pixel up and left.
    int darkPixels = 0;
    for (int y = inside.top; y < inside.bottom; ++y)
        for (int x = inside.left; x < inside.right; ++x) {
            bool text = enabled.At(x + 1, y + 1) == kTestText;
            EXPECT_EQ(disabled.At(x, y) == dark, text) << x << "," << y;
            darkPixels += text;
        }
    EXPECT_GT(darkPixels, 10);
    // The light copy shows where the dark one does not cover it.
    PixelBox lightBox = ColorBox(disabled, light, inside);
    ASSERT_FALSE(lightBox.Empty());
    for (int y = lightBox.top; y <= lightBox.bottom; ++y) {
        for (int x = lightBox.left; x <= lightBox.right; ++x) {
            if (disabled.At(x, y) != light) continue;
            EXPECT_EQ(enabled.At(x, y), kTestText) << "light pixel off the text " << x << "," << y;
        }
    }
    EXPECT_TRUE(ColorBox(disabled, kTestText, inside).Empty()) << "no button-text colour";
}

TEST_F(FadeButtonDrawTest, FocusDrawsNoRectangle) {
    PixelCanvas plain(90, 24), focused(90, 24);
    Draw(dialog.install, plain, 0);
    Draw(dialog.install, focused, ODS_FOCUS);
    EXPECT_TRUE(SamePixels(plain, focused));
}

TEST_F(FadeButtonDrawTest, OnScreenTheButtonDrawsItselfThroughItsDialog) {
    ShowDialog();
    dialog.install.Invalidate();
    dialog.install.UpdateWindow();
    RECT client = dialog.install.GetClientRect();
    PixelCanvas screen(client.right, client.bottom), memory(client.right, client.bottom);
    screen.CopyFromWindow(dialog.install.Handle());
    Draw(dialog.install, memory, 0);
    EXPECT_TRUE(SamePixels(screen, memory));
}

}  // namespace
