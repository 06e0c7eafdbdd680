// Text between our UTF-8 strings and Windows' wide (UTF-16) functions.
//
// Inside our programs every string is UTF-8 (foundation/utf8.h); the
// Windows programs call only the wide ("W") functions, and convert at the
// call: Wide(text) for a text, WidePath(path) for a path given to a file or
// folder function (the "\\?\" form when it is long), Utf8(wide) for what
// comes back. The helpers below wrap the calls that fill a buffer of
// unknown length.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/utf8.h"
#include "platform/win_sdk.h"

inline std::wstring Wide(std::string_view text) {
    return Utf8ToWide(text);
}
inline std::wstring WidePath(std::string_view path) {
    return Utf8ToWidePath(path);
}
inline std::string Utf8(const wchar_t* text) {
    return WideToUtf8(text);
}
inline std::string Utf8(std::wstring_view text) {
    return WideToUtf8(text);
}

// Calls fill(buffer, capacity) -> length with a growing buffer until the
// text fits, and gives it in UTF-8: for the functions that fill a buffer of
// a size given and cut what does not fit. fill returns 0 on failure (or for
// an empty text), else the length it wrote, or the length it needs (or
// capacity itself, or capacity - 1, for functions that cut) when the buffer
// is too small. A text that still does not fit in 256 times the first
// buffer gives empty.
template <typename Fill>
std::string FilledText(Fill fill) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD capacity = static_cast<DWORD>(buffer.size());
        const DWORD length = fill(buffer.data(), capacity);
        if (length == 0) return {};
        if (length < capacity - 1) return Utf8(std::wstring_view(buffer.data(), length));
        buffer.resize(std::max<size_t>(buffer.size() * 2, static_cast<size_t>(length) + 1));
    }
    return {};
}

// The full path of module's file (null: the program's own); empty on failure.
std::string ModuleFileName(HMODULE module = nullptr);
// The Windows folder and the system folder, without a trailing backslash.
std::string WindowsFolder();
std::string SystemFolder();
// The user's temporary folder, with its trailing backslash; empty on failure.
std::string TempFolder();
// The value of an environment variable; found is false when it is not set.
std::string EnvironmentVariable(const char* name, bool* found = nullptr);
