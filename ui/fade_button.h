// CFadeButton: a push button that draws its own face and fades to a lighter
// look while the mouse is over it.
//
// The face is a vertical gradient of the face colour (a thin band at the top
// from light to dark, then dark to light down to the bottom edge) inside up
// to three one-pixel rings whose shades come from the class-wide shading
// table: row 0 normal, row 1 hovered, row 2 pressed. The caption is centred
// in the button's font, moved one pixel right and down while pressed, and
// drawn engraved (a light copy, then a dark one a pixel up and left) while
// disabled. No focus rectangle is drawn.
//
// Hover tracking uses two window timers instead of mouse-leave notices:
// the first mouse move over the button (unless the left button is held)
// starts the fade in and timer 10, which checks every 40 ms whether the
// cursor has left; the fade timer 666 moves the fade step one step every
// 30 ms (0 = normal look, 5 = full hover look), so a fade takes about 150 ms
// each way. A fade that starts while another runs only turns it around.
//
// Binding: SubclassWindow (or CDataExchange::Control) makes the control an
// owner-drawn button. Its parent must reflect WM_DRAWITEM (CDialog does);
// clicks, keyboard use and BN_CLICKED stay the system button's.
// User-interface thread only.
#pragma once

#include "platform/win_controls.h"
#include "platform/win_sdk.h"

// Settings shared by every fading button, read when a button is
// constructed, bound or drawn. Set them before the first button exists.
struct FadeButtonSettings {
    // Only false is supported: the buttons always draw their own face.
    bool useVisualStyles = false;
    // 8: the gradient face; any other value gives a flat face.
    int faceStyle = 8;
    // CLR_INVALID: the system button face shifted by +5 (normal) and +25
    // (hover), read when a button is constructed or bound.
    COLORREF normalFace = CLR_INVALID;
    COLORREF hoverFace = CLR_INVALID;
    // Ring shade offsets: rows normal, hovered, pressed; per row the top-left
    // and bottom-right offsets of rings 1 (outer), 2 and 3. A ring whose
    // top-left offset is 0 is not drawn.
    int shading[3][6] = {
        {-48, 32, 48, -64, 0, 0},
        {-64, 48, 96, -192, 48, -64},
        {-64, 48, -128, -128, 0, 0},
    };
};

class CFadeButton : public CButton {
public:
    static constexpr UINT_PTR kHoverTimer = 10;
    static constexpr UINT kHoverPeriod = 40;  // ms
    static constexpr UINT_PTR kFadeTimer = 666;
    static constexpr UINT kFadePeriod = 30;  // ms
    static constexpr int kFadeSteps = 5;

    CFadeButton();

    // The class-wide settings (the program's values until changed).
    static FadeButtonSettings& Settings();

    // Draws the button for an owner-draw request (WM_DRAWITEM reflected by
    // the parent). Public so that it can draw into any context.
    void DrawItem(const DRAWITEMSTRUCT& item);

    bool IsHovering() const { return hovering_; }
    // 0 (normal look) .. 5 (hover look).
    int FadeStep() const { return step_; }
    // -1 fading out, +1 fading in, 0 still.
    int FadeDirection() const { return direction_; }
    COLORREF NormalFaceColor() const { return normalFace_; }
    COLORREF HoverFaceColor() const { return hoverFace_; }

protected:
    void PreSubclassWindow() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ReadColors();
    void OnMouseMove(WPARAM flags, POINT point);
    void OnTimer(UINT_PTR id);
    void OnKillFocus();
    void OnCaptureChanged();
    void StartFade(int direction);
    void StopFade();
    bool CursorInside() const;

    bool hovering_ = false;
    int step_ = 0;
    int direction_ = 0;
    UINT_PTR fadeTimer_ = 0;  // kFadeTimer while the fade runs, else 0
    COLORREF normalFace_ = 0;
    COLORREF hoverFace_ = 0;
    COLORREF normalText_ = 0;
    COLORREF hoverText_ = 0;
};
