#include "ui/button_colors.h"

namespace {

int clampChannel(int value) {
    return value < 0 ? 0 : (value > 255 ? 255 : value);
}

}  // namespace

COLORREF ShiftColor(COLORREF colour, int offset) {
    return RGB(clampChannel(GetRValue(colour) + offset), clampChannel(GetGValue(colour) + offset),
               clampChannel(GetBValue(colour) + offset));
}

COLORREF BlendColors(COLORREF a, COLORREF b, double weight) {
    auto channel = [weight](int x, int y) {
        return clampChannel(static_cast<int>(weight * x + (1.0 - weight) * y));
    };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

COLORREF FadeColor(COLORREF normal, COLORREF hover, int step) {
    auto channel = [step](int n, int h) { return (step * h + (5 - step) * n) / 5; };
    return RGB(channel(GetRValue(normal), GetRValue(hover)),
               channel(GetGValue(normal), GetGValue(hover)),
               channel(GetBValue(normal), GetBValue(hover)));
}
