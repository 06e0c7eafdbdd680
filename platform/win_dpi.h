// The dots per inch a window is shown at, for drawing that must keep its
// size on today's screens (150 %, 200 % scaling). The program declares
// per-monitor awareness in its manifest, so the system does not stretch its
// windows: what it draws itself it scales by this.
#pragma once

#include "platform/win_sdk.h"

constexpr UINT kDefaultDpi = 96;

// GetDpiForWindow where the system has it (looked up: older systems lack
// it), else the screen's LOGPIXELSY; 96 when neither answers.
UINT WindowDpi(HWND window);

// pixels at 96 DPI scaled to dpi, rounded, at least 1 for a positive value.
int ScaleToDpi(int pixels, UINT dpi);
