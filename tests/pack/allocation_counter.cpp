#include "tests/pack/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {

// Each block carries its size in front of it, padded to keep the block's
// alignment.
constexpr size_t kHeader = alignof(std::max_align_t);

size_t held = 0;
size_t peak = 0;

void* allocate(size_t size) noexcept {
    auto* raw = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!raw) return nullptr;
    *reinterpret_cast<size_t*>(raw) = size;
    held += size;
    if (held > peak) peak = held;
    return raw + kHeader;
}

void release(void* block) noexcept {
    if (!block) return;
    unsigned char* raw = static_cast<unsigned char*>(block) - kHeader;
    held -= *reinterpret_cast<size_t*>(raw);
    std::free(raw);
}

void* allocateOrThrow(size_t size) {
    void* block = allocate(size);
    if (!block) throw std::bad_alloc();
    return block;
}

}  // namespace

namespace alloccount {

size_t heldBytes() {
    return held;
}

size_t peakBytes() {
    return peak;
}

void resetPeak() {
    peak = held;
}

}  // namespace alloccount

void* operator new(size_t size) {
    return allocateOrThrow(size);
}
void* operator new[](size_t size) {
    return allocateOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void operator delete(void* block) noexcept {
    release(block);
}
void operator delete[](void* block) noexcept {
    release(block);
}
void operator delete(void* block, size_t) noexcept {
    release(block);
}
void operator delete[](void* block, size_t) noexcept {
    release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    release(block);
}
