// Large work areas: megabytes that a codec object takes when it starts and
// fills at once (the block compressor's keys and order).
//
// On Linux an area is aligned to 2 MiB and its whole 2 MiB pieces are marked
// for transparent huge pages, so the kernel backs them in 2 MiB pages as they
// are first touched instead of 4 KiB ones (the rest stays in small pages, so
// nothing beyond the area is ever resident). An object made for one stream touches its areas fresh, and each
// 4 KiB page cost a fault of several microseconds (more in a virtual
// machine): compressing a 1 MB file took about two thousand of them. Where
// huge pages are off the hint is ignored and the area is ordinary memory;
// elsewhere an area comes from plain operator new.
#pragma once

#include <cstddef>
#include <memory>

// An area of `bytes` bytes (not cleared), or null when the memory cannot be
// had. Goes through the global operator new (the aligned form on Linux).
void* allocateWorkArea(size_t bytes) noexcept;

// Gives back an area from allocateWorkArea; null is ignored.
void releaseWorkArea(void* area) noexcept;

struct WorkAreaRelease {
    void operator()(void* area) const noexcept { releaseWorkArea(area); }
};

// An owned work area of count elements of T (trivial types only).
template <typename T>
using WorkArea = std::unique_ptr<T[], WorkAreaRelease>;

template <typename T>
WorkArea<T> makeWorkArea(size_t count) noexcept {
    return WorkArea<T>(static_cast<T*>(allocateWorkArea(count * sizeof(T))));
}
