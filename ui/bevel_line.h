// CBevelLine: a static text control drawn as an etched horizontal line
// through its vertical middle, with its caption standing on the line.
//
// The caption is the window text without a leading "~", placed by the
// static's alignment style: SS_LEFT starts its box 10 pixels after the
// line's left end, SS_RIGHT ends it 10 pixels before the right end, and
// SS_CENTER centres it (any other alignment counts as left). Two spaces pad
// the caption on the side(s) facing the line, and the line is cut behind the
// caption's box. A disabled control (WS_DISABLED) shows the caption engraved:
// a highlight copy one pixel right and down behind grey text; an enabled one
// uses the button-text colour. Sunken (the default) puts the shadow row
// above the highlight row; raised the reverse.
//
// The control is meant to be wider than high (no vertical variant).
// Bind it with SubclassWindow or CDataExchange::Control.
#pragma once

#include <string>

#include "platform/win_controls.h"
#include "platform/win_dc.h"
#include "platform/win_sdk.h"
#include "ui/self_painted_static.h"

class CBevelLine : public CSelfPaintedStatic {
public:
    explicit CBevelLine(bool sunken = true) : sunken_(sunken) {}

    bool IsSunken() const { return sunken_; }

    void Paint(CDC& dc, const RECT& client) const override;

private:
    bool sunken_;
};

// The text a bevel line shows for caption with alignment (SS_LEFT, SS_CENTER
// or SS_RIGHT): without a leading "~", padded with two spaces toward the line.
std::string BevelLineCaption(std::string caption, int alignment);
