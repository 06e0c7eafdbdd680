#include "platform/win_text.h"

#include <algorithm>
#include <vector>

namespace {

// Calls fill(buffer, capacity) -> length with a growing buffer until the
// text fits; fill returns 0 on failure, or the length it needs (or
// capacity itself, for functions that cut) when the buffer is too small.
template <typename Fill>
std::string filledText(Fill fill) {
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

}  // namespace

std::string ModuleFileName(HMODULE module) {
    return filledText([&](wchar_t* buffer, DWORD capacity) {
        return GetModuleFileNameW(module, buffer, capacity);
    });
}

std::string WindowsFolder() {
    return filledText([](wchar_t* buffer, DWORD capacity) {
        return static_cast<DWORD>(GetWindowsDirectoryW(buffer, capacity));
    });
}

std::string SystemFolder() {
    return filledText([](wchar_t* buffer, DWORD capacity) {
        return static_cast<DWORD>(GetSystemDirectoryW(buffer, capacity));
    });
}

std::string TempFolder() {
    return filledText([](wchar_t* buffer, DWORD capacity) {
        return GetTempPathW(capacity, buffer);
    });
}

std::string EnvironmentVariable(const char* name, bool* found) {
    if (found) *found = false;
    const std::wstring wideName = Wide(name ? name : "");
    std::vector<wchar_t> buffer(256);
    for (int attempt = 0; attempt < 4; ++attempt) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length =
            GetEnvironmentVariableW(wideName.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            if (found) *found = GetLastError() != ERROR_ENVVAR_NOT_FOUND;
            return {};
        }
        if (length < buffer.size()) {
            if (found) *found = true;
            return Utf8(std::wstring_view(buffer.data(), length));
        }
        buffer.resize(length + 1);
    }
    return {};
}
