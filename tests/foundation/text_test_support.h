// Text as bytes, for the tests of the UTF-8 helpers and text decoding.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/utf8.h"

namespace texttest {

inline const uint8_t* bytesOf(const std::string& text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

// The bytes of UTF-16 units, little- or big-endian, without a byte order mark.
inline std::string utf16Bytes(const std::u16string& units, bool bigEndian) {
    std::string bytes;
    for (const char16_t unit : units) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// A file of UTF-8 text saved as UTF-16 with its byte order mark.
inline std::string utf16File(const std::string& utf8, bool bigEndian = false) {
    const std::wstring wide = Utf8ToWide(utf8);
    return (bigEndian ? "\xFE\xFF" : "\xFF\xFE") +
           utf16Bytes(std::u16string(wide.begin(), wide.end()), bigEndian);
}

}  // namespace texttest
