#include "foundation/work_area.h"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

#if defined(__linux__)
constexpr size_t kHugePage = size_t(2) << 20;
constexpr std::align_val_t kHugePageAlignment{kHugePage};
#endif

}  // namespace

void* allocateWorkArea(size_t bytes) noexcept {
#if defined(__linux__)
    void* area = ::operator new(bytes, kHugePageAlignment, std::nothrow);
#if defined(MADV_HUGEPAGE)
    // A hint: if it is refused the area simply stays in small pages. Only
    // the whole huge pages inside the area are marked: a huge page over its
    // end would hold up to 2 MiB more than asked for once a byte of it is
    // touched.
    const size_t whole = bytes / kHugePage * kHugePage;
    if (area && whole > 0) madvise(area, whole, MADV_HUGEPAGE);
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
