#include "foundation/utf8.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Paths this long (in UTF-16 units) or longer take the "\\?\" form: a
// folder's plain path may hold at most 248 characters (MAX_PATH less room
// for an 8.3 file name), a file's 259.
constexpr size_t kLongPathFrom = 248;

// Decodes one code point at text[position], advancing position; a byte that
// does not start a well-formed sequence gives U+FFFD and advances by one.
char32_t nextCodePoint(std::string_view text, size_t& position) {
    const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(position);
    if (lead < 0x80) {
        ++position;
        return lead;
    }
    size_t length;
    char32_t value;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++position;
        return kReplacement;
    }
    if (text.size() - position < length) {
        ++position;
        return kReplacement;
    }
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(position + i);
        if ((next & 0xC0) != 0x80) {
            ++position;
            return kReplacement;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++position;
        return kReplacement;
    }
    position += length;
    return value;
}

void appendUtf8(std::string& out, char32_t value) {
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | (value >> 6));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        out += static_cast<char>(0xE0 | (value >> 12));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (value >> 18));
        out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}

// UTF-16 units, read by unit(i), to UTF-8.
template <typename Unit>
std::string utf16ToUtf8(size_t count, Unit unit) {
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const char32_t first = unit(i);
        if (first >= 0xD800 && first <= 0xDBFF && i + 1 < count) {
            const char32_t second = unit(i + 1);
            if (second >= 0xDC00 && second <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, first >= 0xD800 && first <= 0xDFFF ? kReplacement : first);
    }
    return out;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    size_t position = 0;
    while (position < text.size()) {
        const size_t start = position;
        if (nextCodePoint(text, position) == kReplacement) {
            // U+FFFD written out (EF BF BD) is well-formed; a bad byte is not.
            if (position - start != 3) return false;
        }
    }
    return true;
}

std::wstring Utf8ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    size_t position = 0;
    while (position < text.size()) {
        const char32_t value = nextCodePoint(text, position);
        if (value >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((value - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(value);
        }
    }
    return out;
}

std::string WideToUtf8(std::wstring_view text) {
    return utf16ToUtf8(text.size(), [&](size_t i) {
        return static_cast<char32_t>(static_cast<uint32_t>(text[i]) & 0xFFFF);
    });
}

std::string WideToUtf8(const wchar_t* text) {
    return text ? WideToUtf8(std::wstring_view(text)) : std::string();
}

std::string Utf16LeToUtf8(const uint8_t* data, size_t size) {
    return utf16ToUtf8(size / 2, [&](size_t i) {
        return static_cast<char32_t>(data[2 * i] | (data[2 * i + 1] << 8));
    });
}

std::string Utf16BeToUtf8(const uint8_t* data, size_t size) {
    return utf16ToUtf8(size / 2, [&](size_t i) {
        return static_cast<char32_t>((data[2 * i] << 8) | data[2 * i + 1]);
    });
}

std::wstring Utf8ToWidePath(std::string_view path) {
    std::wstring wide = Utf8ToWide(path);
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    if (wide.size() < kLongPathFrom || wide.compare(0, 4, L"\\\\?\\") == 0) return wide;
    const bool drive = wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\' &&
                       ((wide[0] >= L'A' && wide[0] <= L'Z') || (wide[0] >= L'a' && wide[0] <= L'z'));
    if (drive) return L"\\\\?\\" + wide;
    const bool network = wide.compare(0, 2, L"\\\\") == 0 && wide.size() > 2 && wide[2] != L'.' &&
                         wide[2] != L'?';
    if (network) return L"\\\\?\\UNC\\" + wide.substr(2);
    return wide;  // relative: only the plain form means anything
}

std::FILE* OpenFileUtf8(const char* path, const char* mode) {
    if (!path || !mode) return nullptr;
#ifdef _WIN32
    return _wfopen(Utf8ToWidePath(path).c_str(), Utf8ToWide(mode).c_str());
#else
    return std::fopen(path, mode);
#endif
}
