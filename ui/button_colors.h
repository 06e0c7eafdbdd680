// Colour arithmetic of the fading button (colours are 0x00BBGGRR).
#pragma once

#include "platform/win_sdk.h"

// Adds offset to red, green and blue, each clamped to 0..255; the top byte
// of colour is dropped.
COLORREF ShiftColor(COLORREF colour, int offset);

// Each channel weight * a + (1 - weight) * b, truncated toward zero; weight
// runs from 0 (all b) to 1 (all a).
COLORREF BlendColors(COLORREF a, COLORREF b, double weight);

// Step 0..5 of the fade from normal to hover: each channel
// (step * hover + (5 - step) * normal) / 5 in integer arithmetic.
COLORREF FadeColor(COLORREF normal, COLORREF hover, int step);
