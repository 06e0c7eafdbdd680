#include "ui/bevel_line.h"

#include "platform/win_dpi.h"
#include "platform/win_handles.h"

namespace {

constexpr int kCaptionInset = 10;  // pixels between a line end and the caption box

int alignmentOf(DWORD style) {
    int alignment = static_cast<int>(style & 0x1F);
    return alignment == SS_CENTER || alignment == SS_RIGHT ? alignment : SS_LEFT;
}

// Each channel the mean of a and b, remainder dropped.
COLORREF meanColor(COLORREF a, COLORREF b) {
    return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2,
               (GetBValue(a) + GetBValue(b)) / 2);
}

}  // namespace

std::string BevelLineCaption(std::string caption, int alignment) {
    if (!caption.empty() && caption[0] == '~') caption.erase(0, 1);
    if (alignment == SS_CENTER || alignment == SS_RIGHT) caption.insert(0, "  ");
    if (alignment == SS_LEFT || alignment == SS_CENTER) caption += "  ";
    return caption;
}

void CBevelLine::Paint(CDC& dc, const RECT& client) const {
    COLORREF previousBackground = dc.GetBkColor();
    CSelectObject font(dc.Handle(), GetFont());
    int savedState = SaveDC(dc.Handle());  // the clip region changes below

    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    dc.FillSolidRect(client, face);

    // Two pixels at 96 DPI: the upper half in one shade, the lower in the other.
    const UINT dpi = WindowDpi(Handle());
    const int half = ScaleToDpi(1, dpi);
    int middle = client.top + (client.bottom - client.top) / 2;
    RECT line{client.left, middle, client.right, middle + 2 * half};
    const COLORREF upper = sunken_ ? shadow : highlight;
    const COLORREF lower = sunken_ ? highlight : shadow;
    if (half == 1) {
        dc.Draw3dRect(line, upper, lower);
    } else {
        dc.FillSolidRect(RECT{line.left, line.top, line.right, line.top + half}, upper);
        dc.FillSolidRect(RECT{line.left, line.top + half, line.right, line.bottom}, lower);
    }

    std::string caption = GetWindowText();
    if (!caption.empty()) {
        DWORD style = GetStyle();
        int alignment = alignmentOf(style);
        caption = BevelLineCaption(caption, alignment);

        RECT measured{0, 0, 0, 10};
        int height = dc.DrawText(caption, measured, DT_CALCRECT | DT_NOCLIP | DT_SINGLELINE);
        int width = measured.right - measured.left;

        RECT box{};
        box.top = line.top - height / 2;
        box.bottom = box.top + height;
        if (alignment == SS_LEFT) {
            box.left = line.left + kCaptionInset;
            box.right = box.left + width;
        } else if (alignment == SS_CENTER) {
            box.left = line.left + (line.right - width - line.left) / 2;
            box.right = box.left + width;
        } else {
            box.right = line.right - kCaptionInset;
            box.left = box.right - width;
        }
        box.bottom += 1;
        if (alignment == SS_RIGHT) box.left -= 1;

        dc.IntersectClipRect(box);
        dc.FillSolidRect(box, face);

        COLORREF previousText = dc.GetTextColor();
        int previousMode = dc.SetBkMode(TRANSPARENT);
        const UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
        if (style & WS_DISABLED) {
            RECT engraved = box;
            OffsetRect(&engraved, half, half);
            dc.SetTextColor(highlight);
            dc.DrawText(caption, engraved, format);
            dc.SetTextColor(meanColor(GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_BTNSHADOW)));
            dc.DrawText(caption, box, format);
        } else {
            dc.SetTextColor(GetSysColor(COLOR_BTNTEXT));
            dc.DrawText(caption, box, format);
        }
        dc.SetTextColor(previousText);
        dc.SetBkMode(previousMode);
    }
    RestoreDC(dc.Handle(), savedState);
    dc.SetBkColor(previousBackground);
}
