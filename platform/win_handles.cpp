#include "platform/win_handles.h"

#include <cstring>

CGlobalMemory::CGlobalMemory(const void* data, SIZE_T size)
    : memory_(GlobalAlloc(GMEM_MOVEABLE, size ? size : 1)) {
    if (!memory_ || !data || !size) return;
    void* bytes = GlobalLock(memory_);
    if (!bytes) {
        GlobalFree(memory_);
        memory_ = nullptr;
        return;
    }
    std::memcpy(bytes, data, size);
    GlobalUnlock(memory_);
}
