#include "ui/fade_button.h"

#include <string>

#include "platform/win_dpi.h"
#include "platform/win_handles.h"
#include "ui/button_colors.h"
#include "ui/fade_button_face.h"
#include "ui/offscreen_dc.h"

namespace {

COLORREF faceOrSystem(COLORREF configured, int systemShift) {
    if (configured != CLR_INVALID) return configured;
    return ShiftColor(GetSysColor(COLOR_BTNFACE), systemShift);
}

}  // namespace

CFadeButton::CFadeButton() {
    ReadColors();
}

FadeButtonSettings& CFadeButton::Settings() {
    static FadeButtonSettings settings;
    return settings;
}

void CFadeButton::ReadColors() {
    normalFace_ = faceOrSystem(Settings().normalFace, 5);
    hoverFace_ = faceOrSystem(Settings().hoverFace, 25);
    normalText_ = GetSysColor(COLOR_BTNTEXT);
    hoverText_ = GetSysColor(COLOR_BTNTEXT);
}

void CFadeButton::PreSubclassWindow() {
    ReadColors();
    SetButtonStyle((GetStyle() & 0xFF) | BS_OWNERDRAW, true);
}

// ---- Drawing ---------------------------------------------------------------

void CFadeButton::DrawItem(const DRAWITEMSTRUCT& item) {
    CDC target(item.hDC);
    COffscreenDC dc(target, nullptr, true);
    const RECT& rect = item.rcItem;
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;

    COLORREF face = FadeColor(normalFace_, hoverFace_, step_);
    if (pressed)
        DrawFadeButtonFace(dc, rect, face, kFacePressed, 0.0, Settings(), WindowDpi(Handle()));
    else if (hovering_)
        DrawFadeButtonFace(dc, rect, face, kFaceHover, 0.2 * step_, Settings(), WindowDpi(Handle()));
    else
        DrawFadeButtonFace(dc, rect, face, kFaceNormal, 0.0, Settings(), WindowDpi(Handle()));

    std::string caption = CWindow(item.hwndItem).GetWindowText();
    if (caption.empty()) return;

    RECT text = rect;
    if (pressed) OffsetRect(&text, 1, 1);
    CSelectObject font(dc.Handle(), CWindow(item.hwndItem).GetFont());
    COLORREF previousColour = dc.SetTextColor(hovering_ || pressed ? hoverText_ : normalText_);
    int previousMode = dc.SetBkMode(TRANSPARENT);

    RECT measured = text;
    dc.DrawText(caption, measured, DT_CALCRECT | DT_CENTER);
    OffsetRect(&measured, ((text.right - text.left) - (measured.right - measured.left)) / 2,
               ((text.bottom - text.top) - (measured.bottom - measured.top)) / 2);

    if (!disabled) {
        dc.TextOut(measured.left, measured.top, caption);
    } else {
        dc.SetTextColor(ShiftColor(face, 48));
        dc.TextOut(measured.left, measured.top, caption);
        dc.SetTextColor(ShiftColor(face, -80));
        dc.TextOut(measured.left - 1, measured.top - 1, caption);
    }
    dc.SetBkMode(previousMode);
    dc.SetTextColor(previousColour);
}

// ---- Messages --------------------------------------------------------------

LRESULT CFadeButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kReflectedDrawItem:
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_ERASEBKGND:
            return TRUE;  // DrawItem paints every pixel
        case WM_MOUSEMOVE: {
            LRESULT result = DefaultHandling(message, wParam, lParam);
            OnMouseMove(wParam, POINT{static_cast<short>(LOWORD(lParam)),
                                      static_cast<short>(HIWORD(lParam))});
            return result;
        }
        case WM_TIMER:
            OnTimer(wParam);
            return DefaultHandling(message, wParam, lParam);
        case WM_KILLFOCUS: {
            LRESULT result = DefaultHandling(message, wParam, lParam);
            OnKillFocus();
            return result;
        }
        case WM_CAPTURECHANGED:
            OnCaptureChanged();
            return DefaultHandling(message, wParam, lParam);
        case WM_LBUTTONUP: {
            LRESULT result = DefaultHandling(message, wParam, lParam);
            SetTimer(kHoverTimer, kHoverPeriod);
            return result;
        }
        default:
            return DefaultHandling(message, wParam, lParam);
    }
}

void CFadeButton::OnMouseMove(WPARAM flags, POINT point) {
    if ((flags & MK_LBUTTON) && !hovering_) return;
    if (!IsWindowEnabled()) return;
    if (!hovering_) {
        if (!GetParent()) return;
        hovering_ = true;
        SetTimer(kHoverTimer, kHoverPeriod);
        StartFade(+1);
        return;
    }
    RECT client = GetClientRect();
    if (PtInRect(&client, point)) return;
    hovering_ = false;
    StartFade(-1);
}

void CFadeButton::OnTimer(UINT_PTR id) {
    if (id == kFadeTimer && fadeTimer_ == kFadeTimer) {
        if (direction_ == 0) {
            StopFade();
        } else {
            step_ += direction_;
            if (step_ < 0 || step_ > kFadeSteps) {
                step_ = step_ < 0 ? 0 : kFadeSteps;
                direction_ = 0;
                StopFade();
            }
            Invalidate(true);
        }
    }
    if (id == kHoverTimer && !CursorInside()) {
        hovering_ = false;
        KillTimer(kHoverTimer);
        StartFade(-1);
    }
}

void CFadeButton::OnKillFocus() {
    if (!hovering_) return;
    hovering_ = false;
    Invalidate(true);
}

void CFadeButton::OnCaptureChanged() {
    if (!hovering_) return;
    // Only our own capture: another window that has just taken the mouse
    // keeps it.
    if (GetCapture() == Handle()) ReleaseCapture();
    Invalidate(true);
}

void CFadeButton::StartFade(int direction) {
    direction_ = direction;
    SetTimer(kFadeTimer, kFadePeriod);
    fadeTimer_ = kFadeTimer;
}

void CFadeButton::StopFade() {
    KillTimer(kFadeTimer);
    fadeTimer_ = 0;
}

bool CFadeButton::CursorInside() const {
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(Handle(), &cursor);
    RECT client = GetClientRect();
    return PtInRect(&client, cursor) != FALSE;
}
