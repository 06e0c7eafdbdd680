#include "ui/fade_button_face.h"

#include "platform/win_dpi.h"
#include "ui/button_colors.h"
#include "ui/fade_button.h"

namespace {

constexpr int kGradientFace = 8;

// The face-style-8 gradient over area: a band of a tenth of the height at the
// top running from light to dark, then dark back to light at the bottom.
void drawGradient(CDC& dc, const RECT& area, COLORREF face) {
    int height = area.bottom - area.top;
    if (height <= 0 || area.right <= area.left) return;
    COLORREF light = ShiftColor(face, 24);
    COLORREF dark = ShiftColor(face, -24);
    int band = height / 10;
    dc.FillSolidRect(area, dark);
    for (int y = area.top; y < area.top + band; ++y) {
        double weight = 1.0 - static_cast<double>(y - area.top) / band;
        dc.FillSolidRect(area.left, y, area.right - area.left, 1, BlendColors(light, dark, weight));
    }
    int rest = height - band;
    for (int y = area.top + band; y < area.bottom; ++y) {
        double weight = 1.0 - static_cast<double>(y - area.top - band) / rest;
        dc.FillSolidRect(area.left, y, area.right - area.left, 1, BlendColors(dark, light, weight));
    }
}

}  // namespace

void DrawFadeButtonFace(CDC& dc, const RECT& rect, COLORREF face, FadeFaceRow row, double mix,
                        const FadeButtonSettings& settings, UINT dpi) {
    const int width = ScaleToDpi(1, dpi);
    const int* raw = settings.shading[row];
    int offsets[6];
    for (int k = 0; k < 6; ++k) {
        offsets[k] = raw[k];
        if (row == kFaceHover)
            offsets[k] =
                static_cast<int>((1.0 - mix) * settings.shading[kFaceNormal][k] + mix * raw[k]);
    }
    bool rings[3] = {raw[0] != 0, raw[2] != 0, raw[4] != 0};

    // The fill reaches out over the missing inner rings.
    RECT area = rect;
    InflateRect(&area, -3 * width, -3 * width);
    for (int ring = 2; ring >= 0 && !rings[ring]; --ring)
        InflateRect(&area, width, width);

    if (settings.faceStyle == kGradientFace)
        drawGradient(dc, area, face);
    else if (area.right > area.left && area.bottom > area.top)
        dc.FillSolidRect(area, face);

    for (int ring = 0; ring < 3; ++ring) {
        if (!rings[ring]) continue;
        for (int line = 0; line < width; ++line) {
            RECT frame = rect;
            InflateRect(&frame, -(ring * width + line), -(ring * width + line));
            dc.Draw3dRect(frame, ShiftColor(face, offsets[2 * ring]),
                          ShiftColor(face, offsets[2 * ring + 1]));
        }
    }
}
