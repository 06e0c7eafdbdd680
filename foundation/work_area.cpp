#include "foundation/work_area.h"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

#if defined(__linux__)
constexpr std::align_val_t kHugePageAlignment{size_t(2) << 20};
#endif

}  // namespace

void* allocateWorkArea(size_t bytes) noexcept {
#if defined(__linux__)
    void* area = ::operator new(bytes, kHugePageAlignment, std::nothrow);
#if defined(MADV_HUGEPAGE)
    // A hint: if it is refused the area simply stays in small pages.
    if (area) madvise(area, bytes, MADV_HUGEPAGE);
#endif
    return area;
#else
    return ::operator new(bytes, std::nothrow);
#endif
}

void releaseWorkArea(void* area) noexcept {
    if (!area) return;
#if defined(__linux__)
    ::operator delete(area, kHugePageAlignment);
#else
    ::operator delete(area);
#endif
}
