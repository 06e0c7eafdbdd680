#include "ui/offscreen_dc.h"

COffscreenDC::COffscreenDC(CDC& target, const RECT* area, bool copy) : target_(target) {
    if (area)
        area_ = *area;
    else
        target.GetClipBox(area_);
    int width = area_.right - area_.left;
    int height = area_.bottom - area_.top;

    if (width > 0 && height > 0) {
        memory_ = CreateCompatibleDC(target.Handle());
        if (memory_) bitmap_.Reset(CreateCompatibleBitmap(target.Handle(), width, height));
    }
    if (!bitmap_) {
        if (memory_) DeleteDC(memory_);
        memory_ = nullptr;
        AttachHandle(target.Handle());
        return;
    }
    previousBitmap_ = ::SelectObject(memory_, bitmap_.Get());
    if (copy)
        ::BitBlt(memory_, 0, 0, width, height, target.Handle(), area_.left, area_.top, SRCCOPY);
    SetWindowOrgEx(memory_, area_.left, area_.top, nullptr);
    AttachHandle(memory_);
    buffered_ = true;
}

COffscreenDC::~COffscreenDC() {
    if (!buffered_) return;
    target_.BitBlt(area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top,
                   memory_, area_.left, area_.top, SRCCOPY);
    ::SelectObject(memory_, previousBitmap_);
    DeleteDC(memory_);
    // bitmap_ deletes the bitmap, now that no context holds it.
}
