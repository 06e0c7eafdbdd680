#include "tests/codecs/allocation_limit.h"

#include <cstdlib>
#include <limits>
#include <new>

namespace {

thread_local size_t largestAllowed = std::numeric_limits<size_t>::max();

void* allocate(size_t size) noexcept {
    if (size > largestAllowed) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
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
