// COffscreenDC: flicker-free drawing. Everything drawn into it during its
// lifetime lands in a memory bitmap, which the destructor copies to the
// target in one BitBlt.
//
// Callers draw in the target's coordinates: the memory context's origin is
// moved to the area's top-left corner. With copy set, the bitmap starts with
// the target's current pixels of the area (for drawing that does not cover
// every pixel); otherwise its contents are undefined until drawn.
//
// When the memory context or bitmap cannot be made (no memory, an empty
// area), drawing goes straight to the target instead and IsBuffered is
// false. The target must outlive the object.
#pragma once

#include "platform/win_dc.h"
#include "platform/win_handles.h"
#include "platform/win_sdk.h"

class COffscreenDC : public CDC {
public:
    // area null: the target's clip box.
    COffscreenDC(CDC& target, const RECT* area, bool copy);
    COffscreenDC(const COffscreenDC&) = delete;
    COffscreenDC& operator=(const COffscreenDC&) = delete;
    // Copies the area to the target, then frees the memory context and bitmap.
    ~COffscreenDC() override;

    bool IsBuffered() const { return buffered_; }
    const RECT& Area() const { return area_; }

private:
    CDC& target_;
    RECT area_{};
    HDC memory_ = nullptr;
    CBitmap bitmap_;
    HGDIOBJ previousBitmap_ = nullptr;
    bool buffered_ = false;
};
