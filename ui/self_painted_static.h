// A static control that paints every pixel of itself: WM_PAINT and
// WM_PRINTCLIENT both go to Paint, and the background is never erased first
// (no flicker). The logo view and the bevel line are such controls.
#pragma once

#include "platform/win_controls.h"
#include "platform/win_dc.h"
#include "platform/win_sdk.h"

class CSelfPaintedStatic : public CStatic {
public:
    // Paints the control into dc over client, as WM_PAINT does on screen.
    virtual void Paint(CDC& dc, const RECT& client) const = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_PAINT: {
                CPaintDC dc(Handle());
                Paint(dc, GetClientRect());
                return 0;
            }
            case WM_PRINTCLIENT: {
                CDC dc(reinterpret_cast<HDC>(wParam));
                Paint(dc, GetClientRect());
                return 0;
            }
            case WM_ERASEBKGND:
                return TRUE;  // Paint covers every pixel
            default:
                return DefaultHandling(message, wParam, lParam);
        }
    }
};
