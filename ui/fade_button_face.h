// The face of the fading button: gradient and rings, without the caption.
#pragma once

#include "platform/win_dc.h"
#include "platform/win_sdk.h"

struct FadeButtonSettings;

// Shading rows of the face.
enum FadeFaceRow { kFaceNormal = 0, kFaceHover = 1, kFacePressed = 2 };

// Draws the face over rect in colour face with the ring shades of row. For
// the hover row, mix (0..1) moves each ring offset from the normal row's
// value (0) to the hover row's (1); which rings exist is decided by the row's
// own table values. Each ring is one pixel wide at 96 DPI and scales with dpi
// (ScaleToDpi). The gradient fills rect less the ring area: three ring widths
// in from every side, one less for each missing ring counted from the inside.
void DrawFadeButtonFace(CDC& dc, const RECT& rect, COLORREF face, FadeFaceRow row, double mix,
                        const FadeButtonSettings& settings, UINT dpi = 96);
