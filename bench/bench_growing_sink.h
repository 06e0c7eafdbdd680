// A sink over memory for the codec benchmark: a string sink would add a copy
// of every output to the times measured.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "foundation/byte_stream.h"

// Collects everything written into a vector that grows as needed.
class GrowingSink final : public ByteSink {
public:
    explicit GrowingSink(size_t expected) : bytes_(std::max<size_t>(expected, 64)) {}

    bool Write(const void* data, size_t size) override {
        if (bytes_.size() - used_ < size) bytes_.resize(std::max(bytes_.size() * 2, used_ + size));
        if (size > 0) std::memcpy(bytes_.data() + used_, data, size);
        used_ += size;
        return true;
    }

    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return used_; }

private:
    std::vector<uint8_t> bytes_;
    size_t used_ = 0;
};
