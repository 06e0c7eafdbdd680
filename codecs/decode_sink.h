// Where a streaming decoder delivers its output: the decoded bytes in order,
// a piece at a time, so that an entry of any size is decoded in a small,
// fixed amount of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class DecodeSink {
public:
    // Takes the next size bytes (size > 0). Returning false stops the decoder,
    // which then reports OutputFailed.
    virtual bool Put(const uint8_t* data, size_t size) = 0;

protected:
    ~DecodeSink() = default;
};

// Takes the bytes and keeps none: for data that are decoded only to be checked.
class DiscardingSink final : public DecodeSink {
public:
    bool Put(const uint8_t*, size_t) override { return true; }
};

// Keeps every byte, in order, in bytes: for data decoded to be looked at whole.
class StringSink final : public DecodeSink {
public:
    bool Put(const uint8_t* data, size_t size) override {
        bytes.append(reinterpret_cast<const char*>(data), size);
        return true;
    }
    std::string bytes;
};
