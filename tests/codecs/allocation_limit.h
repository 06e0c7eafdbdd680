// Makes large allocations fail on the calling thread, for tests of how the
// codecs report storage they cannot have. Linking allocation_limit.cpp into a
// test program replaces the global operator new and delete of that program.
#pragma once

#include <cstddef>

namespace alloclimit {

// While alive, any single allocation of more than `largest` bytes on this
// thread fails (std::bad_alloc, or null from the nothrow forms).
class ScopedLimit {
public:
    explicit ScopedLimit(size_t largest);
    ~ScopedLimit();
    ScopedLimit(const ScopedLimit&) = delete;
    ScopedLimit& operator=(const ScopedLimit&) = delete;

private:
    size_t previous_;
};

}  // namespace alloclimit
