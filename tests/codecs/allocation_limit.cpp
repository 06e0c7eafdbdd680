#include "tests/codecs/allocation_limit.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

thread_local size_t largestAllowed = std::numeric_limits<size_t>::max();

void* allocate(size_t size) noexcept {
    if (size > largestAllowed) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

// The aligned forms (the codecs' large work areas on Linux) under the same
// limit: the block is over-allocated, and the address that malloc gave sits
// just below the aligned one, where the matching delete finds it.
void* allocateAligned(size_t size, std::align_val_t alignment) noexcept {
    if (size > largestAllowed) return nullptr;
    const size_t align = size_t(alignment);
    void* const raw = std::malloc(size + align + sizeof(void*));
    if (!raw) return nullptr;
    const uintptr_t aligned =
        (reinterpret_cast<uintptr_t>(raw) + sizeof(void*) + align - 1) & ~uintptr_t(align - 1);
    reinterpret_cast<void**>(aligned)[-1] = raw;
    return reinterpret_cast<void*>(aligned);
}

void releaseAligned(void* block) noexcept {
    if (block) std::free(static_cast<void**>(block)[-1]);
}

}  // namespace

namespace alloclimit {

ScopedLimit::ScopedLimit(size_t largest) : previous_(largestAllowed) {
    largestAllowed = largest;
}

ScopedLimit::~ScopedLimit() {
    largestAllowed = previous_;
}

}  // namespace alloclimit

void* operator new(size_t size) {
    void* block = allocate(size);
    if (!block) throw std::bad_alloc();
    return block;
}

void* operator new[](size_t size) {
    return operator new(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete[](void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, size_t) noexcept {
    std::free(block);
}

void operator delete[](void* block, size_t) noexcept {
    std::free(block);
}

void* operator new(size_t size, std::align_val_t alignment) {
    void* block = allocateAligned(size, alignment);
    if (!block) throw std::bad_alloc();
    return block;
}

void* operator new[](size_t size, std::align_val_t alignment) {
    return operator new(size, alignment);
}

void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateAligned(size, alignment);
}

void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateAligned(size, alignment);
}

void operator delete(void* block, std::align_val_t) noexcept {
    releaseAligned(block);
}

void operator delete[](void* block, std::align_val_t) noexcept {
    releaseAligned(block);
}

void operator delete(void* block, size_t, std::align_val_t) noexcept {
    releaseAligned(block);
}

void operator delete[](void* block, size_t, std::align_val_t) noexcept {
    releaseAligned(block);
}
