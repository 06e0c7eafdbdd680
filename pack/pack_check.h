// The pack check value: the value every entry record keeps in `crc`.
//
// A CRC-32 with the reflected polynomial 0xEDB88320 whose 256-entry table is
// built from i + 1 instead of i, so its values differ from the published
// CRC-32: for no bytes it is 0, for the bytes "abc" 0x5AFA2A22 (the published
// CRC-32 gives 0x352441C2). Packs in use carry values computed this way.
#pragma once

#include <cstddef>
#include <cstdint>

// Running check value over bytes that arrive in pieces.
class PackCheck {
public:
    // Adds size bytes at data (data may be null when size is 0).
    void Update(const void* data, size_t size);

    // The check value of every byte added so far.
    uint32_t Value() const { return ~state_; }

private:
    uint32_t state_ = 0xFFFFFFFF;
};

// The check value of size bytes at data (data may be null when size is 0).
uint32_t packCheckValue(const void* data, size_t size);
