#include "foundation/byte_stream.h"

#include <algorithm>
#include <cstring>

size_t ByteSource::Read(void* data, size_t size) {
    auto* to = static_cast<uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        if (next_ == end_) {
            if (size - done >= kLargeRead) return done + ReadLarge(to + done, size - done);
            if (!Refill()) break;
        }
        const size_t piece = std::min(size - done, Buffered());
        std::memcpy(to + done, next_, piece);
        next_ += piece;
        done += piece;
    }
    return done;
}

size_t ByteSource::ReadLarge(uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size && (next_ != end_ || Refill())) {
        const size_t piece = std::min(size - done, Buffered());
        std::memcpy(data + done, next_, piece);
        next_ += piece;
        done += piece;
    }
    return done;
}

int ByteSource::ReadByteSlow() {
    if (!Refill()) return -1;
    return *next_++;
}

MemorySource::MemorySource(const void* data, size_t size) {
    SetWindow(static_cast<const uint8_t*>(data), size);
}
